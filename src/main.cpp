#include "command_line/command_line.h"
#include "modules/module_loader.h"
#include "window/window_module.h"

#include <iostream>
#include <string_view>

int main(int argc, char* argv[])
{
    // The window opened on a search of the desktop's: "more results".
    const bool showFound = argc == 3 && std::string_view(argv[1]) == "--show-found";
    // A command needs no display: it runs without loading anything of the window.
    if (argc > 1 && !showFound)
        return command_line::run({argv + 1, argv + argc}, store::posixFileSystem(), std::cout,
                                 std::cerr);

    const modules::ModuleEntry window =
        modules::loadModule("libzarvoth-window.so", window_module::WindowModuleEntry);
    if (!window.entry) {
        std::cerr << "zarvoth: the window could not be opened: its module could not be loaded ("
                  << window.failure << "); installing Zarvoth again mends it" << std::endl;
        // As a command ends whose module is missing.
        return command_line::UsageError;
    }
    return reinterpret_cast<window_module::WindowModuleEntryFunction>(window.entry)(
        argc, argv, showFound ? argv[2] : nullptr);
}
