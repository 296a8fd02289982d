#include "modules/module_loader.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>
#include <vector>

namespace modules {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> foldersToLook()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    const fs::path folder = program.parent_path();
    return {folder, (folder / ZARVOTH_MODULE_FROM_PROGRAM).lexically_normal()};
}

} // namespace

ModuleEntry loadModule(const char* file, const char* entry)
{
    if (void* linked = dlsym(RTLD_DEFAULT, entry))
        return {linked, {}};
    std::string looked;
    for (const fs::path& folder : foldersToLook()) {
        const fs::path path = folder / file;
        std::error_code error;
        if (!fs::exists(path, error)) {
            looked += (looked.empty() ? "" : " or ") + folder.string();
            continue;
        }
        // Its own symbols stay its own: the program's copies of the store are never mixed in.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return {nullptr, dlerror()};
        if (void* found = dlsym(handle, entry))
            return {found, {}};
        return {nullptr, path.string() + " is not the module it is named for"};
    }
    return {nullptr, "no " + std::string(file) + " in " +
                         (looked.empty() ? "the program's folder" : looked)};
}

} // namespace modules
