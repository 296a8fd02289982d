#pragma once

#include "store/store_error.h"

#include <string>

// How a failed file step is told in one line, by the commands and by a sync alike.
namespace transfer {

// "could not write the file "datphone": No space left on device", or, when another window
// keeps the folder, that it is busy.
std::string failureText(const store::StoreError& error);

} // namespace transfer
