#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a card says about a contact, in the terms the data file needs; everything else of the
// card is passed over.
namespace exchange {

struct CardTelephone {
    std::u32string number;
    // The lower the more preferred: PREF=n, or 1 for TYPE=PREF; none when not preferred.
    std::optional<int> preference;
    bool cellOrVoice = false;
};

// The stored fields as the program itself wrote them beside the card's own properties, so
// that a card it wrote comes back exactly.
struct StoredFields {
    std::optional<std::u32string> phone, prefix, stdCode;
    std::optional<std::u32string> usePrefix, useStdCode;

    bool present() const { return phone || prefix || stdCode || usePrefix || useStdCode; }
};

struct Card {
    std::optional<std::u32string> nickname;
    std::optional<std::u32string> formattedName;
    // N: family name, given names, additional names, ... (each unescaped).
    std::vector<std::u32string> name;
    // How N's components are read, in the same order, where the card says so (a phone's
    // X-PHONETIC-*, SORT-AS, Google's phonetic columns): names in kanji are not read without.
    std::vector<std::u32string> nameReading;
    // The locality of the first ADR, when the card has an ADR.
    std::optional<std::u32string> locality;
    std::vector<CardTelephone> telephones;
    StoredFields stored;
    std::optional<std::u32string> uid;
    // What the card stands for (KIND, or X-ADDRESSBOOKSERVER-KIND as iCloud writes it):
    // "individual" when the card does not say, else a group, an organisation, a place...
    std::u32string kind = U"individual";
};

// Whether the card is a person's: a group, an organisation or a place is no contact, whatever
// numbers it holds.
bool isIndividual(const Card& card);

// Hands every card of a file to `take`, in order, one at a time; a card cut short by the end of
// the file counts. False when the bytes hold no card at all.
bool readCards(std::string_view bytes, const std::function<void(const Card&)>& take);

} // namespace exchange
