#pragma once

#include "store/contact_record.h"
#include "sync/state/sync_state.h"

#include <optional>
#include <span>
#include <vector>

// Which record of the file now is which contact the last sync remembered. Records have no
// identity of their own, but they keep their order: DELETE closes a gap, a new record goes
// behind the others, an edit stays in its place.
namespace syncing {

struct RememberedContact {
    // The record as both sides last agreed on it.
    const store::ContactRecord* agreed = nullptr;
    // The server's card now, fitted, where it changed: a sync cut off after it wrote the file
    // left the record like this.
    const store::ContactRecord* fromServer = nullptr;
    // Where its record stood in the book the last sync wrote; 0 when none held it.
    std::int32_t place = 0;
};

// The book the last sync wrote, as far as the state remembers it.
struct RememberedBook {
    // In the order of the state's pairs.
    std::span<const RememberedContact> contacts;
    std::span<const UnpairedRecord> unpaired;
    bool placesKnown = false;
};

// For each remembered contact, the index of its record, or none when no record is it.
// First by the bytes (RecordNo aside), each record and each contact taken once. Then, where
// the places are known, the book now is aligned with the book then as a diff aligns two texts:
// the unchanged records anchor it, and a changed record between two anchors is an edit of the
// one that stood there, however many of its fields changed. Among records that are left (at
// the end of the book, where new ones go, or with no places known), a record that differs
// from a contact in one field, or in two with the nickname the same, is that contact edited;
// the closest first.
std::vector<std::optional<std::size_t>> matchRecords(std::span<const store::ContactRecord> records,
                                                     const RememberedBook& book);

// The first step alone: which contacts no record holds byte for byte.
std::vector<bool> unmatchedByBytes(std::span<const store::ContactRecord> records,
                                   std::span<const store::ContactRecord* const> agreed);

// How like a contact a record is, field by field (as agreed, or as the server has it now).
struct Closeness {
    int equalFields = 0;
    bool sameNick = false;

    // Enough to take the record for the contact edited, wherever it stands.
    bool isEdit() const { return equalFields >= 4 || (sameNick && equalFields >= 3); }
    // Enough at the end of the book, where an edited record and a new one behind a deleted one
    // look alike: the same nickname, or two fields the same.
    bool isLikely() const { return sameNick || equalFields >= 2; }
};

Closeness closeness(const store::ContactRecord& record, const RememberedContact& contact);

} // namespace syncing
