#include "sync/sync_module_loader.h"

#include "sync/sync_module.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>
#include <vector>

namespace syncing {
namespace {

namespace fs = std::filesystem;

constexpr char ModuleFile[] = "libzarvoth-sync.so";

// Found from the program's own path, not the working directory, which is the contacts' folder.
std::vector<fs::path> foldersToLook()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const fs::path folder = program.parent_path();
    return {folder, (folder / ZARVOTH_SYNC_MODULE_FROM_PROGRAM).lexically_normal()};
}

SyncModuleEntryFunction entryOf(void* handle)
{
    return reinterpret_cast<SyncModuleEntryFunction>(dlsym(handle, SyncModuleEntry));
}

SyncModuleLoad load()
{
    // A program linked with the module, as the tests are, has its entry at hand already.
    if (const SyncModuleEntryFunction linked = entryOf(RTLD_DEFAULT))
        return {linked(), {}};
    const std::vector<fs::path> folders = foldersToLook();
    std::string looked;
    for (const fs::path& folder : folders) {
        const fs::path file = folder / ModuleFile;
        std::error_code error;
        if (!fs::exists(file, error)) {
            looked += (looked.empty() ? "" : " or ") + folder.string();
            continue;
        }
        // Its own symbols stay its own: the program's copies of the store are never mixed in.
        void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return {nullptr, moduleFailureText(dlerror())};
        if (const SyncModuleEntryFunction entry = entryOf(handle))
            return {entry(), {}};
        return {nullptr, moduleFailureText(file.string() + " is not Zarvoth's sync module")};
    }
    return {nullptr, moduleFailureText("no " + std::string(ModuleFile) + " in " +
                                       (looked.empty() ? "the program's folder" : looked))};
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
