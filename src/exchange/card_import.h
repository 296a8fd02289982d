#pragma once

#include "exchange/contact_import.h"

namespace exchange {

// The import of vCard files, the first kind this program read; CSV comes in the same way.
using CardImport = ContactImport;

} // namespace exchange
