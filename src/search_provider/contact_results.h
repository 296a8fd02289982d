#pragma once

#include "store/contact_record.h"
#include "store/file_system.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The contacts of the book a menu launch uses, as the desktop's search shows them. The book is
// read afresh for every question, as the window reads it for every action, and the folder is
// held only while it is read.
namespace search_provider {

// One result: the id the desktop hands back, and what it shows.
struct Result {
    QString id;
    QString name;        // the full and family name, else the nickname
    QString description; // the number as Dial dials it
    QString nick;
    int closeness = 2; // see ContactQuery::closeness
};

// $XDG_DATA_HOME/zarvoth, by default ~/.local/share/zarvoth: where the menu's launcher starts
// the window.
QString bookFolder();

class ContactResults {
public:
    explicit ContactResults(store::FileSystem& fs) : fs_(fs) {}

    // The contacts the typed words find, the closest first and otherwise in stored order, at
    // most `limit` of them. No words, no results.
    QList<Result> search(const QStringList& terms, qsizetype limit);
    // The contacts the ids stand for now; an id whose contact was deleted or changed since is
    // left out.
    QList<Result> describe(const QStringList& ids);
    // Calls the contact as Dial does. Returns what the user must be told when no call went
    // out: the contact is gone, or the telephone's own reason.
    QString dial(const QString& id);

private:
    std::vector<store::ContactRecord> book();

    store::FileSystem& fs_;
};

// The id of a record: its place in the book and a fingerprint of its contents, so that a
// record that moved up after a deletion is still found, and one that was changed or deleted is
// not taken for another.
QString resultId(std::int32_t recordNo, const store::ContactRecord& record);
// The record an id stands for in the book as it is now, if it is still there.
std::optional<store::ContactRecord> recordOf(const QString& id,
                                             const std::vector<store::ContactRecord>& book);

} // namespace search_provider
