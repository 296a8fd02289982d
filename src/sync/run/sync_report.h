#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How a sync ended, for the command that prints it and the window that shows it.
namespace syncing {

struct SyncReport {
    enum Outcome {
        Done,
        // The server, the network or a file failed; what was done stays done and the next
        // sync picks up the rest.
        Failed,
        // Sync is not set up for this folder.
        NotSetUp,
    };
    Outcome outcome = Done;
    // One line, for standard error or a message, when the sync did not end Done.
    std::string error;
    std::size_t contactsIn = 0;
    std::size_t contactsOut = 0;
    // What needs the user's eye, one line each (UTF-8).
    std::vector<std::string> notices;
    // How the server's failure came, for the caller that asks for the password again.
    bool passwordRefused = false;
};

// The summary printed by the command and shown by the window: what came in, what went out,
// and what needs the user's eye.
std::string summaryText(const SyncReport& report);

} // namespace syncing
