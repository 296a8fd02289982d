#include "store/file_system.h"
#include "store/store_error.h"
#include "support/as_ordinary_user.h"
#include "support/data_folder.h"

#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace store;

class TestFolderLock : public QObject {
    Q_OBJECT

private slots:
    void aSecondProcessWaitsForTheFirst();
    void aLockHeldTooLongEndsInAClearFailure();
    void aFolderThatCannotBeReadIsWorkedInWithoutALock();
    void aFolderThatCannotBeSyncedIsNamedAsAFolder();
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
        const auto lock = posixFileSystem().lockFolder({});
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
        int waits = 0;
        const auto lock = posixFileSystem().lockFolder([&] { ++waits; });
        QVERIFY(lock);
        // The lock came only once the other process had finished with the folder, and the
        // window was told once that it had to wait (it shows the busy pointer).
        QVERIFY(fileExists("released"));
        QCOMPARE(waits, 1);
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
        posixFileSystem().lockFolder({});
        QFAIL("the folder was taken while another process held it");
    } catch (const FolderBusy& error) {
        QCOMPARE(error.operation(), std::string("lock"));
    }
    QVERIFY(!fileExists("released"));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    // A process that dies lets go of the folder at once: there is no wait.
    int waits = 0;
    QVERIFY(posixFileSystem().lockFolder([&] { ++waits; }));
    QCOMPARE(waits, 0);
}

void TestFolderLock::aFolderThatCannotBeReadIsWorkedInWithoutALock()
{
    DataFolder folder;
    // In a folder of mode 0300 (written and entered, not read): no lock, no failure, and a
    // rename there can still be made durable. Root may read any folder: the check runs as an
    // ordinary user, in a folder of its own.
    const std::string problem = problemAsOrdinaryUser([] {
        if (::mkdir("unreadable", 0700) != 0 || ::chdir("unreadable") != 0 ||
            ::chmod(".", 0300) != 0)
            return std::string("no folder of mode 0300 to work in");
        std::string found;
        try {
            if (posixFileSystem().lockFolder({}))
                found = "a folder that cannot be read was locked";
            posixFileSystem().syncDirectory(".");
        } catch (const StoreError& error) {
            found = error.what();
        }
        ::chmod(".", 0700);
        return ::chdir("..") == 0 ? found : found + "; cannot go back";
    });
    QVERIFY2(problem.empty(), problem.c_str());
}

// A synced folder behind a linked data file fails under its own path, and a message calls it
// a folder, not a file.
void TestFolderLock::aFolderThatCannotBeSyncedIsNamedAsAFolder()
{
    DataFolder folder;
    try {
        posixFileSystem().syncDirectory("gone");
        QFAIL("a missing folder was synced");
    } catch (const StoreError& error) {
        QVERIFY(error.namesFolder());
        QCOMPARE(error.shownName(), std::string("gone"));
    }
}

QTEST_APPLESS_MAIN(TestFolderLock)
#include "tst_folder_lock.moc"
