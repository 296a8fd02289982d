#pragma once

#include "store/contact_record.h"

#include <optional>
#include <span>
#include <vector>

// Which record of the file now is which contact the last sync remembered. Records have no
// identity of their own, so they are told apart by what they hold.
namespace syncing {

struct RememberedContact {
    // The record as both sides last agreed on it.
    const store::ContactRecord* agreed = nullptr;
    // The server's card now, fitted, where it changed: a sync cut off after it wrote the file
    // left the record like this.
    const store::ContactRecord* fromServer = nullptr;
};

// For each remembered contact, the index of its record, or none when no record is it. First
// by the bytes (RecordNo aside), each record and each contact taken once; then, among those
// left, a record that differs from a contact (as agreed, or as the server has it now) in one
// field, or in two with the nickname the same, is that contact edited; the closest first.
std::vector<std::optional<std::size_t>> matchRecords(std::span<const store::ContactRecord> records,
                                                     std::span<const RememberedContact> contacts);

// The first step alone: which contacts no record holds byte for byte.
std::vector<bool> unmatchedByBytes(std::span<const store::ContactRecord> records,
                                   std::span<const store::ContactRecord* const> agreed);

} // namespace syncing
