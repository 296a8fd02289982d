#include "transfer/book_files.h"

#include "store/compaction.h"

namespace transfer {

void recoverInterruptedWrites(store::FileSystem& fs)
{
    store::recoverInterruptedDeletion(fs, DataFileName, DeletionScratchName);
    // Until its rename the data file was untouched, so the scratch file holds nothing of worth.
    fs.remove(ImportScratchName);
}

} // namespace transfer
