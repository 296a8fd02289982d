#pragma once

#include "store/file_system.h"

// The files of the address book in the working directory.
namespace transfer {

inline constexpr const char* DataFileName = "datphone";
// Where a deletion writes the file anew.
inline constexpr const char* DeletionScratchName = "dephone";
// Where an import writes the file anew. Another name than the deletion's: an import stopped
// half-way leaves nothing to bring back, and its scratch file must never be taken for the
// remains of a deletion.
inline constexpr const char* ImportScratchName = "imphone";

// Mends what a deletion or an import stopped half-way left behind. Run, holding the folder,
// before the data file is first opened, which would otherwise create it empty.
void recoverInterruptedWrites(store::FileSystem& fs);

} // namespace transfer
