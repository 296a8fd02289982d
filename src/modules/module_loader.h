#pragma once

#include <string>

// The program's modules are loaded the first time they are needed rather than linked: most
// starts need neither the sync's network libraries nor the numbering plans, and their
// libraries would otherwise be mapped, relocated and initialised at every one.
namespace modules {

struct ModuleEntry {
    // The module's entry function; nothing when the module could not be loaded.
    void* entry = nullptr;
    // Why not, in the loader's own words, naming the file.
    std::string failure;
};

// The function `entry` of the module `file` (libzarvoth-....so): the program's own when it is
// linked with the module (the tests are), else the module's, looked for beside the program (the
// build tree), then in the library folder of the installed layout, both found from the
// program's own path, never from the working directory, which is the contacts' folder.
ModuleEntry loadModule(const char* file, const char* entry);

} // namespace modules
