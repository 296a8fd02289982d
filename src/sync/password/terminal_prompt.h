#pragma once

#include <optional>
#include <string>

// Asking the person at the terminal, without showing what they type.
namespace syncing {

// Writes `prompt` to the terminal and reads one line from it with echo off, restoring the
// terminal as it was (also when the line ends with the end of input). Nothing when the
// program has no terminal (a script, a service, a window started from the menu).
std::optional<std::string> askOnTerminal(const std::string& prompt);

// One line from standard input, without its line end (for --password-stdin). Nothing when
// standard input ends before any character.
std::optional<std::string> readLineFromStandardInput();

} // namespace syncing
