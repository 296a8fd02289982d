#include "store/data_file.h"
#include "store/store_error.h"
#include "support/as_ordinary_user.h"
#include "support/data_folder.h"

#include <QTest>

#include <algorithm>
#include <span>

#include <sys/stat.h>

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
    void viewsAreTheRecordsInPlace();
    void writeRecordsWritesWholeRecordsInOneCall_data();
    void writeRecordsWritesWholeRecordsInOneCall();
    void writeRecordsTakesOnlyWholeRecords();
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

void TestDataFile::viewsAreTheRecordsInPlace()
{
    DataFolder folder;
    std::vector<std::string> nicks;
    for (int i = 1; i <= 2100; ++i)
        nicks.push_back("nick" + std::to_string(i));
    const auto records = recordsNamed(nicks);
    folder.writeRecords(records);
    const QByteArray bytes = folder.bytes();
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    for (int n : {1, 2, 1024, 1025, 1026, 2048, 2049, 2100, 7, 2100, 1}) {
        const RecordView view = file.view(n);
        const auto at = std::size_t(n - 1) * RecordSize;
        QVERIFY(std::equal(view.bytes().begin(), view.bytes().end(),
                           reinterpret_cast<const std::uint8_t*>(bytes.constData()) + at));
        const ContactRecord& record = records[std::size_t(n - 1)];
        QCOMPARE(view.decode(), record);
        QCOMPARE(view.nick(), record.Nick.text());
        QCOMPARE(view.fullName(), record.FullName.text());
        QCOMPARE(view.familyName(), record.FamilyName.text());
        QCOMPARE(view.city(), record.City.text());
        QCOMPARE(view.phone(), record.Phone.text());
    }
    // Past the count, as read gives: a blank record.
    QCOMPARE(file.view(2101).decode(), ContactRecord{});
    QCOMPARE(file.view(0).decode(), ContactRecord{});
    file.close();
    QVERIFY_THROWS_EXCEPTION(StoreError, file.view(1));
}

void TestDataFile::writeRecordsWritesWholeRecordsInOneCall_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("records");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("count");

    const QByteArray abc = encoded(recordsNamed({"Ann", "Bob", "Cid"}));
    const QByteArray xyz = encoded(recordsNamed({"Xan", "Yul", "Zed"}));
    QTest::newRow("into an empty file") << QByteArray() << 1 << 3 << xyz << 3;
    QTest::newRow("appended") << abc << 4 << 3 << abc + xyz << 6;
    QTest::newRow("in place") << abc << 1 << 3 << xyz << 3;
    QTest::newRow("half in place, half appended") << abc << 2 << 3 << abc.left(129) + xyz << 4;
    QTest::newRow("over a partial record") << abc + QByteArray(50, 'x') << 4 << 3 << abc + xyz << 6;
    QTest::newRow("none") << abc << 4 << 0 << abc << 3;
}

void TestDataFile::writeRecordsWritesWholeRecordsInOneCall()
{
    QFETCH(QByteArray, before);
    QFETCH(int, first);
    QFETCH(int, records);
    QFETCH(QByteArray, after);
    QFETCH(int, count);
    DataFolder folder;
    folder.writeBytes(before);
    const QByteArray xyz = encoded(recordsNamed({"Xan", "Yul", "Zed"})).left(records * 129);
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    if (file.recordCount() >= 1)
        file.read(1); // something read ahead, which the write must not leave stale
    file.writeRecords(first, std::span(reinterpret_cast<const std::uint8_t*>(xyz.constData()),
                                       std::size_t(xyz.size())));
    QCOMPARE(file.recordCount(), count);
    if (records > 0)
        QCOMPARE(QByteArray(file.view(first).nick().data(), 15), QByteArray("Xan            "));
    file.close();
    QCOMPARE(folder.bytes(), after);
}

void TestDataFile::writeRecordsTakesOnlyWholeRecords()
{
    DataFolder folder;
    const QByteArray abc = encoded(recordsNamed({"Ann", "Bob", "Cid"}));
    folder.writeBytes(abc);
    const std::vector<std::uint8_t> part(200, 'x');
    DataFile file(posixFileSystem(), "datphone");
    file.open();
    QVERIFY_THROWS_EXCEPTION(StoreError, file.writeRecords(4, part));
    QVERIFY_THROWS_EXCEPTION(StoreError, file.writeRecords(0, std::span(part.data(), RecordSize)));
    QCOMPARE(file.recordCount(), 3);
    file.close();
    QCOMPARE(folder.bytes(), abc);
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
    // Root may write any file: the check runs as an ordinary user.
    const std::string problem = problemAsOrdinaryUser(readOnlyFileProblem);
    QVERIFY2(problem.empty(), problem.c_str());
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
