#pragma once

#include "store/file_system.h"
#include "transfer/book_change.h"

// Taking a change back from the data file.
namespace transfer {

// Reads the book as it is now, takes `change` back from it as far as it still can be (see
// planUndo) and, when anything is taken back, writes the book anew in one step: a scratch
// file, synced, renamed over the data file, the folder synced. Nothing is written when nothing
// can be taken back. The folder must be held. Throws store::StoreError when a step fails, the
// data file then as it was (or, as store::ChangeNotYetOnDisk, already written).
UndoPlan takeBack(store::FileSystem& fs, const BookChange& change);

// The records of the data file now, as they are stored; none when there is no data file.
std::vector<store::RecordBytes> storedRecords(store::FileSystem& fs);

} // namespace transfer
