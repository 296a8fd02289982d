#pragma once

#include <string>

namespace syncing {

class SyncModule;

// The sync module, libzarvoth-sync.so, is loaded the first time a sync needs it rather than
// linked: most starts never sync, and its libraries (Qt Network, the keyring, Kerberos and
// theirs) would otherwise be mapped and relocated at every one.
struct SyncModuleLoad {
    // Nothing when the module could not be loaded.
    SyncModule* module = nullptr;
    // Why not, one line: see moduleFailureText.
    std::string failure;
};

// Looks for the module beside the program (the build tree), then in the library folder of the
// installed layout, both found from the program's own path. The first answer is kept: a
// module loaded stays loaded, and one that failed is not tried again.
const SyncModuleLoad& loadSyncModule();

// The message of a module that could not be loaded, `reason` saying why (the loader's own
// words, naming the file).
std::string moduleFailureText(const std::string& reason);

} // namespace syncing
