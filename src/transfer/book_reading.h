#pragma once

#include "store/contact_record.h"
#include "store/file_system.h"

#include <vector>

namespace transfer {

// Every record of the data file in the working directory, read under the folder's lock, which
// is let go as soon as they are read: a search then looks through them while the windows go on.
// A missing data file is an empty book, and is not created.
std::vector<store::ContactRecord> readBook(store::FileSystem& fs);

// The same without taking the folder, for a caller that holds it already.
std::vector<store::ContactRecord> readRecords(store::FileSystem& fs);

} // namespace transfer
