#include "store/data_file.h"
#include "store/store_error.h"
#include "support/data_folder.h"

#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace store;

class TestDataFile : public QObject {
    Q_OBJECT

private slots:
    void aMissingFileIsCreatedEmptyAndPrivate();
    void countIgnoresAPartialRecord_data();
    void countIgnoresAPartialRecord();
    void appendOverwritesAPartialRecord_data();
    void appendOverwritesAPartialRecord();
    void writeInPlaceKeepsTheLength();
    void readsRecordsInOrderAcrossReadAhead();
    void aSecondOpenIsAnError();
    void closingTwiceIsHarmless();
    void aReadOnlyFileIsReadButNotWritten();
    void aDirectoryCannotBeOpened();
};

void TestDataFile::aMissingFileIsCreatedEmptyAndPrivate()
{
    DataFolder folder;
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    QCOMPARE(file.recordCount(), 0);
    file.close();
    QVERIFY(folder.exists("datphone"));
    QCOMPARE(folder.bytes().size(), 0);
    struct stat st {};
    QCOMPARE(::stat("datphone", &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
}

void TestDataFile::countIgnoresAPartialRecord_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("count");
    QTest::newRow("128 bytes") << 128 << 0;
    QTest::newRow("129 bytes") << 129 << 1;
    QTest::newRow("300 bytes") << 300 << 2;
    QTest::newRow("2 x 129 + 50") << 2 * 129 + 50 << 2;
    QTest::newRow("387 bytes") << 387 << 3;
}

void TestDataFile::countIgnoresAPartialRecord()
{
    QFETCH(int, length);
    QFETCH(int, count);
    DataFolder folder;
    folder.writeBytes(QByteArray(length, 'z'));
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    QCOMPARE(file.recordCount(), count);
}

void TestDataFile::appendOverwritesAPartialRecord_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("lengthAfter");
    QTest::newRow("128 bytes") << 128 << 129;
    QTest::newRow("300 bytes") << 300 << 387;
}

void TestDataFile::appendOverwritesAPartialRecord()
{
    QFETCH(int, length);
    QFETCH(int, lengthAfter);
    DataFolder folder;
    const QByteArray before(length, 'z');
    folder.writeBytes(before);
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    const ContactRecord record = makeRecord({.nick = "New", .phone = "1"}, 9);
    file.write(file.recordCount() + 1, record);
    file.close();
    const QByteArray after = folder.bytes();
    QCOMPARE(after.size(), lengthAfter);
    QCOMPARE(after.left(lengthAfter - 129), before.left(lengthAfter - 129));
    QCOMPARE(after.right(129), encoded({record}));
}

void TestDataFile::writeInPlaceKeepsTheLength()
{
    DataFolder folder;
    folder.writeRecords(recordsNamed({"a", "b", "c"}));
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    const ContactRecord replacement = makeRecord({.nick = "B2"}, 2);
    file.write(2, replacement);
    QCOMPARE(file.read(2), replacement);
    file.close();
    const auto records = folder.records();
    QCOMPARE(records.size(), std::size_t(3));
    QCOMPARE(records[1], replacement);
    QCOMPARE(records[2], recordsNamed({"a", "b", "c"})[2]);
}

void TestDataFile::readsRecordsInOrderAcrossReadAhead()
{
    DataFolder folder;
    std::vector<std::string> nicks;
    for (int i = 1; i <= 2500; ++i)
        nicks.push_back("n" + std::to_string(i));
    const auto records = recordsNamed(nicks);
    folder.writeRecords(records);
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    QCOMPARE(file.recordCount(), 2500);
    for (int i = 1; i <= 2500; ++i)
        QCOMPARE(file.read(i), records[std::size_t(i - 1)]);
    QCOMPARE(file.read(1), records[0]); // backwards after the scan
    file.write(1025, records[0]);       // a write drops what was read ahead
    QCOMPARE(file.read(1025), records[0]);
}

void TestDataFile::aSecondOpenIsAnError()
{
    DataFolder folder;
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    QVERIFY_THROWS_EXCEPTION(StoreError, file.open());
    QVERIFY(file.isOpen());
}

void TestDataFile::closingTwiceIsHarmless()
{
    DataFolder folder;
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    file.close();
    file.close();
    QVERIFY(!file.isOpen());
    file.open(); // and it opens again
    QVERIFY(file.isOpen());
}

namespace {

// The checks of a data file that may be read but not written; returns what went wrong.
std::string readOnlyFileProblem()
{
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    if (file.recordCount() != 1 || file.read(1).Nick.trimmed() != "a")
        return "the file was not read";
    try {
        file.write(2, ContactRecord{});
    } catch (const StoreError& error) {
        if (error.operation() != "write" || error.reason() != systemReason(EACCES))
            return "wrong failure: " + std::string(error.what());
        return {};
    }
    return "the write went through";
}

} // namespace

void TestDataFile::aReadOnlyFileIsReadButNotWritten()
{
    DataFolder folder;
    folder.writeRecords(recordsNamed({"a"}));
    QCOMPARE(::chmod("datphone", 0444), 0);
    if (::geteuid() != 0) {
        const std::string problem = readOnlyFileProblem();
        QVERIFY2(problem.empty(), problem.c_str());
        return;
    }
    // Root may write any file: check as an ordinary user, in a child process.
    QCOMPARE(::chmod(".", 0777), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const std::string problem = readOnlyFileProblem();
        if (!problem.empty())
            ::write(2, problem.c_str(), problem.size());
        ::_exit(problem.empty() ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestDataFile::aDirectoryCannotBeOpened()
{
    DataFolder folder;
    QVERIFY(QDir(folder.path()).mkdir("datphone"));
    DataFile file(posixFileSystem(), "datphone");
    try {
        file.open();
        QFAIL("a directory was opened as the data file");
    } catch (const StoreError& error) {
        QCOMPARE(error.fileName(), std::string("datphone"));
        QCOMPARE(error.reason(), systemReason(EISDIR));
    }
    QVERIFY(!file.isOpen());
}

QTEST_APPLESS_MAIN(TestDataFile)
#include "tst_data_file.moc"
