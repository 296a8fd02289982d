#pragma once

#include "store/contact_record.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Which contacts a search finds: those whose nickname, full name, family name or city holds
// what was typed, ignoring case and accents, or whose number, as Dial dials it, holds the
// digits of a typed number however it is written ("+47 (0)22", full-width or Arabic-Indic
// digits). --find, --dial and the desktop's search all ask this one question.
namespace search {

class ContactQuery {
public:
    // One text, as --find takes it: the whole of it must be found in one field. Blanks at
    // either end are dropped.
    static ContactQuery fromText(const QString& text);
    // The words a desktop's search box hands over: each must be found, in any field.
    static ContactQuery fromTerms(const QStringList& terms);

    // Nothing was asked for (an empty list, or only blanks): such a query lists everyone.
    bool asksNothing() const { return terms_.empty() && !findsNothing_; }
    bool matches(const store::ContactRecord& record) const;
    // For a contact the query finds, how well it answers, for the order of the desktop's
    // results: 0 its nickname is what was typed, 1 every word begins a word of the contact's,
    // 2 otherwise. Nothing for a contact it does not find.
    std::optional<int> closenessIfFound(const store::ContactRecord& record) const;

private:
    struct Term {
        std::string folded;
        std::string digits; // the term's digits when it is a number, else empty
    };

    void add(const QString& typed);
    // Whether every word is in the folded fields or, for a number, in the dialled number.
    bool found(const store::ContactRecord& record, std::string_view fields) const;

    std::vector<Term> terms_;
    // What no contact can hold: a word longer than any field, or more words than a contact
    // has room for.
    bool findsNothing_ = false;
};

// The digits of a number as a person may write it: digits of any script, blanks, "+", "*",
// "#" and the separators "-", ".", "/", "(" and ")", at least one digit; as ASCII digits.
// Empty for a text that is not such a number.
std::string digitsOfNumber(const QString& text);

} // namespace search
