#include "transfer/failure_text.h"

namespace transfer {

std::string failureText(const store::StoreError& error)
{
    if (dynamic_cast<const store::FolderBusy*>(&error))
        return "another Zarvoth window is still busy with these contacts; nothing was done, "
               "try again in a moment";
    return "could not " + error.operation() +
           (error.namesFolder() ? " the folder \"" : " the file \"") + error.shownName() +
           "\": " + error.reason();
}

} // namespace transfer
