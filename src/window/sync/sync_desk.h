#pragma once

// The window's side of sync: the menu's entries, the syncs in the background, the window kept
// in step with what a sync wrote, and the set-up dialog. It reaches the sync only through
// the module the program loads (sync/sync_module.h) and the sync's plain parts.

#include "sync/sync_module.h"
#include "window/form/form1x.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>

class QProgressBar;
class QTimer;

// What the window keeps of its syncs between two events.
struct Form1x::SyncDesk {
    std::unique_ptr<syncing::SyncJob> run;
    QProgressBar* progress = nullptr;
    QTimer* every15Minutes = nullptr;
    // A password no keyring keeps, as typed in this session; never written anywhere.
    std::optional<QString> password;
    // For an account that signs in through the browser: the sign-in the keyring keeps, and the
    // server it is for, taken by the next run in place of a password.
    std::optional<syncing::KeptSignIn> signIn;
    QString signInHost;
    // A sign-in no keyring took, as made in this session's set-up; never written anywhere.
    std::optional<syncing::KeptSignIn> sessionSignIn;
    // Whether a sync is under way, from the password's search to the end.
    bool running = false;
    bool exiting = false;
    // A sync wrote the contacts while an action ran, or while the user typed a contact.
    bool catchUpPending = false;
    bool listStale = false;
    // What the book was after the last sync, to know at EXIT whether anything changed.
    std::optional<std::size_t> syncedFingerprint;
    // The failure last told in a message, not told again by a background sync.
    QString failureTold;
};
