#include "transfer/book_files.h"

#include "store/compaction.h"

namespace transfer {

void recoverInterruptedWrites(store::FileSystem& fs)
{
    store::recoverInterruptedDeletion(fs, DataFileName, DeletionScratchName);
    store::discardStoppedRewrite(fs, DataFileName, ImportScratchName);
}

} // namespace transfer
