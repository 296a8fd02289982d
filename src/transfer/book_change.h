#pragma once

#include "store/contact_record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// A change one action made to the address book (a deletion, an edit saved, an import, a
// merge), kept as the records it took away and put in, so that it can be taken back later:
// also after other windows or a sync changed the book meanwhile, which the records of the change
// are looked for again by their bytes.
namespace transfer {

// One record of a change.
struct RecordChange {
    // The record as it was; none when the change added it.
    std::optional<store::RecordBytes> before;
    // The record as the change left it; none when the change removed it.
    std::optional<store::RecordBytes> after;
    // Where the record stood in the book the change left, from 1; for a removed record, where
    // it would stand again: the place of the record that came behind it.
    std::int32_t place = 0;
    // For a removed record, the records the change left on either side of its place (none at
    // the book's start or end): where it goes back when other records moved meanwhile.
    std::optional<store::RecordBytes> previous;
    std::optional<store::RecordBytes> next;

    friend bool operator==(const RecordChange&, const RecordChange&) = default;
};

struct BookChange {
    // What was done, for the status bar and the messages: "Deleted "Bob"." (UTF-8).
    std::string what;
    std::vector<RecordChange> records;
};

// A change of a book that kept its order: of the records `before`, those at the places
// `removed` (from 1) went, those in `rewritten` were written anew in place, and `appended` came
// behind the rest. How an import or a merge describes what it wrote.
struct Rewritten {
    std::int32_t place = 0; // in `before`, from 1
    store::RecordBytes after;
};
BookChange changeOf(std::string what, std::span<const store::RecordBytes> before,
                    std::span<const std::int32_t> removed, std::span<const Rewritten> rewritten,
                    std::span<const store::RecordBytes> appended);

// The records `added` put behind the `countBefore` records of a book, as appending writes
// them: each carrying its place as RecordNo.
BookChange additionOf(std::string what, std::int32_t countBefore,
                      std::span<const store::ContactRecord> added);

// Why a record of a change was not taken back.
enum class KeptBecause {
    // It no longer holds what the change left (edited or deleted meanwhile).
    ChangedSince,
    // Bringing it back would give a nickname to two contacts: it is stored again, or another
    // contact took its nickname meanwhile.
    NicknameTaken,
};

struct KeptRecord {
    std::string nick; // as stored, trimmed
    KeptBecause why;

    friend bool operator==(const KeptRecord&, const KeptRecord&) = default;
};

// The book once a change is taken back from the book `now`: every record of the change that
// still holds what the change left goes back to what it was; every other record of `now`
// stays as it is, in its order.
struct UndoPlan {
    std::vector<store::RecordBytes> records;
    // How many records of the change were taken back; 0: nothing is to be written.
    std::size_t takenBack = 0;
    // The record brought back or written back last, where it now stands (from 1); 0: none.
    std::int32_t shownPlace = 0;
    std::vector<KeptRecord> kept;
};

UndoPlan planUndo(const BookChange& change, std::span<const store::RecordBytes> now);

} // namespace transfer
