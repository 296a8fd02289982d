#include "sync/run/sync_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace syncing {
namespace {

// Beside the data file; it holds nothing, only its lock matters.
constexpr const char* lockFileName = "syncphone.lock";

} // namespace

std::unique_ptr<SyncLock> SyncLock::take()
{
    const int fd = ::open(lockFileName, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return std::unique_ptr<SyncLock>(new SyncLock(-1));
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        const bool heldByAnother = errno == EWOULDBLOCK;
        ::close(fd);
        if (heldByAnother)
            return nullptr;
        return std::unique_ptr<SyncLock>(new SyncLock(-1));
    }
    return std::unique_ptr<SyncLock>(new SyncLock(fd));
}

SyncLock::~SyncLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace syncing
