#include "sync/sync_module_loader.h"

#include "modules/module_loader.h"
#include "sync/sync_module.h"

namespace syncing {
namespace {

SyncModuleLoad load()
{
    const modules::ModuleEntry loaded = modules::loadModule("libzarvoth-sync.so", SyncModuleEntry);
    if (!loaded.entry)
        return {nullptr, moduleFailureText(loaded.failure)};
    return {reinterpret_cast<SyncModuleEntryFunction>(loaded.entry)(), {}};
}

} // namespace

const SyncModuleLoad& loadSyncModule()
{
    static const SyncModuleLoad loaded = load();
    return loaded;
}

std::string moduleFailureText(const std::string& reason)
{
    return "sync is not available: its module could not be loaded (" + reason +
           "); installing Zarvoth again mends it";
}

} // namespace syncing
