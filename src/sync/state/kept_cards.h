#pragma once

#include "store/file_system.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The cards a sync has fetched so far, kept in a file of their own beside "syncphone" as they
// come in, so that a sync cut off half way through a large address book (the program killed,
// the connection lost, the server gone quiet) goes on from there the next time instead of
// fetching every card again. The file only grows while a sync fetches: each batch is added at
// its end and is on the disk before the next one comes; a machine that stops in the middle of
// an addition leaves a torn last entry, which reads as never written. Once a sync has written
// what it decided, its cards are no longer needed and the file goes.
namespace syncing {

inline constexpr const char* KeptCardsName = "syncphone.cards";

struct KeptCard {
    std::string href;
    std::string etag;
    std::string text;

    friend bool operator==(const KeptCard&, const KeptCard&) = default;
};

// The file's text: a first line that names the address book the cards come from, then an
// entry for each card, which says how long its parts are and checks them.
std::string keptCardsHeader(const std::string& bookUrl);
std::string keptCardEntry(const KeptCard& card);

struct KeptCardsRead {
    // In the order they were added; a card fetched again comes again, later.
    std::vector<KeptCard> cards;
    // How much of the file is whole entries: where the next one goes. 0 when the file is
    // missing, is no such file or holds the cards of another address book: it is begun anew.
    std::uint64_t wholeLength = 0;
};

KeptCardsRead readKeptCards(std::string_view text, const std::string& bookUrl);

// The folder must be held for each of these. Reading throws store::StoreError when the file
// cannot be read; a file too large to take into memory at once is begun anew.
KeptCardsRead readKeptCardsFile(store::FileSystem& fs, const std::string& bookUrl);

// Adds the cards at `at`, the whole length read (0: the file is begun anew), and puts them on
// the disk; returns where the next ones go. Throws store::StoreError.
std::uint64_t addKeptCards(store::FileSystem& fs, const std::string& bookUrl, std::uint64_t at,
                           std::span<const KeptCard> cards);

void dropKeptCards(store::FileSystem& fs);

} // namespace syncing
