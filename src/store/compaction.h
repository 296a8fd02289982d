#pragma once

#include "store/data_file.h"
#include "store/file_system.h"
#include "store/store_error.h"

#include <cstdint>
#include <span>
#include <string>

namespace store {

// Removes record `removed` from `data` by writing every other record, unchanged and in order,
// to a new scratch file and putting that file in the data file's place in one rename.
//
// `data` must be open (its count is the one taken then); a data file that may only be read is
// left as it is and the deletion fails as a write to it would. `scratch` names the scratch file
// and must be closed; both are closed on return. A `removed` that designates no record removes
// nothing, and a trailing partial record does not survive.
//
// At every instant the data file holds either all its records or all but the removed one, so
// a machine that stops in the middle loses no contact. A scratch file left by an earlier run is
// removed first, never reused, and the new one is created afresh, so nothing is written
// through a file or symbolic link that was already there. When a step fails, the data file is
// left as it was (or, when only the final directory sync failed, already compacted), the
// scratch file is removed as far as possible, and the StoreError goes on to the caller; when
// only the final folder sync failed, it comes as ChangeNotYetOnDisk.
//
// A data file that is a symbolic link stays one: the file it leads to is replaced, from a
// scratch file of the same name in that file's folder.
void compactWithout(DataFile& data, DataFile& scratch, std::int32_t removed);

// The data file was replaced, but its folder could not be synced: the record is gone, and
// a crash before the system writes the folder out may still bring the old file back.
class ChangeNotYetOnDisk : public StoreError {
public:
    explicit ChangeNotYetOnDisk(const StoreError& error) : StoreError(error) {}
};

// Puts `added` behind every record of `data`, each carrying its new position as RecordNo, by
// writing the file anew through `scratch` as compactWithout does: at every instant the data
// file holds either its records alone or all of them with every added one behind, never some
// of the added ones. The same rules for `data` and `scratch`, and the same outcome after a
// failed step. A book that would pass MaxRecords takes nothing, and the data file is closed.
// `scratch` must be another name than compactWithout's: what this leaves behind when stopped
// half-way is no deletion to bring back, only a file to throw away.
void appendAllOrNothing(DataFile& data, DataFile& scratch, std::span<const ContactRecord> added);

// Puts `records` in the place of every record of `data`, in one step as appendAllOrNothing
// does, with the same rules and outcomes: the data file holds either its old records or
// exactly these, each written as it is, RecordNo and all.
void replaceAllOrNothing(DataFile& data, DataFile& scratch, std::span<const ContactRecord> records);
// The same, from the records' bytes as they are to be stored.
void replaceAllOrNothing(DataFile& data, DataFile& scratch, std::span<const RecordBytes> records);

// Brings back the contacts of a deletion that deleted the data file and was stopped before it
// had copied them all back from the scratch file. The scratch file, when it is a plain file,
// becomes the data file in one rename when the data file is missing, or when it holds fewer
// whole records than the scratch file and those are the scratch file's first records, byte for
// byte (the copy back was cut off). Returns whether it did. Run before the data file is first
// opened, which would otherwise create it empty. For a data file that is a symbolic link, the
// scratch file beside the file it leads to is the one looked at.
bool recoverInterruptedDeletion(FileSystem& fs, const std::string& dataName,
                                const std::string& scratchName);

// Removes the scratch file of a rewrite that was stopped before its rename (an import): until
// then the data file was untouched, so it holds nothing of worth. For a data file that is a
// symbolic link it lies beside the file the link leads to.
void discardStoppedRewrite(FileSystem& fs, const std::string& dataName,
                           const std::string& scratchName);

} // namespace store
