#pragma once

#include <memory>

// One sync at a time on a folder: two at once would plan from the same memory of the last sync
// and upload the same new contacts twice. Held for the whole sync, the network waits included;
// the windows' own folder lock is another one and is held only for the file steps.
namespace syncing {

class SyncLock {
public:
    // Nothing when another sync of this folder holds it. Where the folder cannot be locked at
    // all, the sync runs as the only one, as the windows do.
    static std::unique_ptr<SyncLock> take();
    ~SyncLock();
    SyncLock(const SyncLock&) = delete;
    SyncLock& operator=(const SyncLock&) = delete;

private:
    explicit SyncLock(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace syncing
