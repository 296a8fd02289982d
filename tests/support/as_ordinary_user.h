#pragma once

#include <functional>
#include <string>

// Runs `check` as a user whom a file's mode binds: this process itself when it is not root,
// otherwise a child process that gives up root for the user "nobody" (the working folder is
// opened to everyone first, so that the child may work in it). Returns what `check` found
// wrong, or why it could not run; empty when all is well.
std::string problemAsOrdinaryUser(const std::function<std::string()>& check);
