#pragma once

// The window's module, libzarvoth-window.so: Qt Widgets and Gui, and everything drawn, which
// the program loads only when it opens the window, so that a command maps none of them.
namespace window_module {

// The module's one export: `extern "C" int zarvoth_open_window(int argc, char** argv, const
// char* found)`, which opens the window with the program's arguments (for Qt's own options),
// on what a search of the desktop's found when `found` is not null ("more results"), and
// returns the program's exit status when it is closed.
inline constexpr char WindowModuleEntry[] = "zarvoth_open_window";
using WindowModuleEntryFunction = int (*)(int argc, char** argv, const char* found);

} // namespace window_module
