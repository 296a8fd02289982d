#include "store/file_system.h"
#include "store/store_error.h"
#include "support/data_folder.h"

#include <QTest>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace store;

class TestFolderLock : public QObject {
    Q_OBJECT

private slots:
    void aSecondProcessWaitsForTheFirst();
    void aLockHeldTooLongEndsInAClearFailure();
};

namespace {

bool fileExists(const char* name)
{
    return ::access(name, F_OK) == 0;
}

// A child process that takes the folder, says so, keeps it for holdMs and leaves a mark just
// before it lets go.
pid_t holdTheFolder(int holdMs)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    {
        const auto lock = posixFileSystem().lockFolder();
        ::close(::open("taken", O_CREAT | O_WRONLY, 0600));
        ::usleep(useconds_t(holdMs) * 1000);
        ::close(::open("released", O_CREAT | O_WRONLY, 0600));
    }
    ::_exit(0);
}

void waitUntilTaken()
{
    while (!fileExists("taken"))
        ::usleep(1000);
}

} // namespace

void TestFolderLock::aSecondProcessWaitsForTheFirst()
{
    DataFolder folder;
    const pid_t child = holdTheFolder(300);
    waitUntilTaken();
    {
        const auto lock = posixFileSystem().lockFolder();
        QVERIFY(lock);
        // The lock came only once the other process had finished with the folder.
        QVERIFY(fileExists("released"));
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

void TestFolderLock::aLockHeldTooLongEndsInAClearFailure()
{
    DataFolder folder;
    const pid_t child = holdTheFolder(8000);
    waitUntilTaken();
    try {
        posixFileSystem().lockFolder();
        QFAIL("the folder was taken while another process held it");
    } catch (const StoreError& error) {
        QCOMPARE(error.operation(), std::string("lock"));
        QVERIFY(error.reason().find("another Zarvoth window") != std::string::npos);
    }
    QVERIFY(!fileExists("released"));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // A process that dies lets go of the folder at once.
    QVERIFY(posixFileSystem().lockFolder());
}

QTEST_APPLESS_MAIN(TestFolderLock)
#include "tst_folder_lock.moc"
