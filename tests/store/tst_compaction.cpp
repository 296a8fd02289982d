// Removing a record by writing the data file anew, the order of its file operations, and
// bringing back the contacts of a deletion that was stopped half-way.
#include "store/compaction.h"
#include "store/data_file.h"
#include "store/store_error.h"
#include "support/as_ordinary_user.h"
#include "support/data_folder.h"
#include "support/faulty_file_system.h"
#include "transfer/book_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString Data = QStringLiteral("datphone");
const QString Scratch = QStringLiteral("dephone");

QByteArray recordsBytes(const std::vector<std::string>& nicks)
{
    return encoded(recordsNamed(nicks));
}

std::vector<std::string> nicknames(int count)
{
    std::vector<std::string> nicks;
    for (int i = 1; i <= count; ++i)
        nicks.push_back("n" + std::to_string(i));
    return nicks;
}

// Deletes record `removed` the way DELETE does: the data file is opened first.
void deleteRecord(store::FileSystem& fs, std::int32_t removed)
{
    store::DataFile data(fs, "datphone");
    store::DataFile scratch(fs, "dephone");
    data.open();
    store::compactWithout(data, scratch, removed);
    QVERIFY(!data.isOpen());
    QVERIFY(!scratch.isOpen());
}

} // namespace

class TestCompaction : public QObject {
    Q_OBJECT

private slots:
    void removesAtMostOneRecordAndCopiesTheRest_data();
    void removesAtMostOneRecordAndCopiesTheRest();
    void newDataFileIsPrivate();
    void aReadOnlyDataFileIsLeftAsItIs();
    void recovery_data();
    void recovery();
    void scratchIsCompleteOnDiskBeforeItReplacesTheDataFile();
    void aWriteThatFailsInALaterBatchLeavesTheDataFileWhole();
    void aLinkedDataFileStaysALink_data();
    void aLinkedDataFileStaysALink();
    void anImportAddsAllOrNothingWhereverItStops_data();
    void anImportAddsAllOrNothingWhereverItStops();
    void anImportPastTheLastRecordNumberAddsNothing();
};

void TestCompaction::removesAtMostOneRecordAndCopiesTheRest_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QByteArray>("after");

    // What DELETE in the window cannot choose: no record, or none of the file's. The window
    // tests cover the contacts a user chooses.
    const QByteArray abc = recordsBytes({"Ann", "Bob", "Cid"});
    QTest::newRow("none chosen") << abc << 0 << abc;
    QTest::newRow("beyond the end") << abc << 4 << abc;
    QTest::newRow("negative") << abc << -1 << abc;
    QTest::newRow("empty file") << QByteArray() << 1 << QByteArray();
    QTest::newRow("stray bytes only") << QByteArray(128, 'x') << 1 << QByteArray();
    QTest::newRow("stray bytes, none chosen") << abc + QByteArray(1, '\0') << 0 << abc;

    // Every byte is copied as it is, whatever it holds.
    QByteArray odd(2 * 129, '\0');
    for (int i = 0; i < odd.size(); ++i)
        odd[i] = static_cast<char>(i * 7 + 3);
    QTest::newRow("any bytes") << odd << 1 << odd.mid(129);

    // A long book goes across a thousand records to a write: the record removed at either
    // edge of a batch, or in the last, short one, and every byte of the others in its place.
    QByteArray book(2500 * 129, '\0');
    for (int i = 0; i < book.size(); ++i)
        book[i] = static_cast<char>((i * 31 + i / 129) % 251);
    const auto without = [&](int n) { return book.left((n - 1) * 129) + book.mid(n * 129); };
    for (int removed : {1, 1024, 1025, 1026, 2048, 2049, 2499, 2500})
        QTest::addRow("2500 records, record %d", removed) << book << removed << without(removed);
    QTest::newRow("2500 records, none chosen") << book << 0 << book;
    QTest::newRow("2500 records and stray bytes")
        << book + QByteArray(100, 'x') << 1025 << without(1025);
}

void TestCompaction::removesAtMostOneRecordAndCopiesTheRest()
{
    QFETCH(QByteArray, before);
    QFETCH(int, removed);
    QFETCH(QByteArray, after);

    DataFolder folder;
    folder.writeBytes(before);
    deleteRecord(store::posixFileSystem(), removed);

    QCOMPARE(folder.bytes(), after);
    QVERIFY(folder.exists(Data));
    QVERIFY(!folder.exists(Scratch));
}

void TestCompaction::newDataFileIsPrivate()
{
    DataFolder folder;
    folder.writeBytes(recordsBytes({"Ann", "Bob"}));
    QFile::setPermissions(folder.filePath(Data), QFile::ReadOwner | QFile::WriteOwner |
                                                     QFile::ReadGroup | QFile::ReadOther);
    deleteRecord(store::posixFileSystem(), 1);

    struct stat st {};
    QCOMPARE(::lstat("datphone", &st), 0);
    QVERIFY(S_ISREG(st.st_mode));
    QCOMPARE(st.st_mode & 0777, 0600u);
}

namespace {

// A deletion from a data file that may only be read; returns what went wrong.
std::string readOnlyDeletionProblem(const QByteArray& before)
{
    store::DataFile data(store::posixFileSystem(), "datphone");
    store::DataFile scratch(store::posixFileSystem(), "dephone");
    try {
        data.open();
        store::compactWithout(data, scratch, 1);
        return "the deletion went through";
    } catch (const store::StoreError& error) {
        if (error.operation() != "write" || error.fileName() != "datphone" ||
            error.reason() != store::systemReason(EACCES))
            return "wrong failure: " + std::string(error.what());
    }
    QFile file(Data);
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != before)
        return "the data file changed";
    if (QFileInfo::exists(Scratch))
        return "a scratch file was left";
    if (data.isOpen() || scratch.isOpen())
        return "a file was left open";
    return {};
}

} // namespace

// The folder may be written, so the data file could be replaced; its owner made it read-only,
// and it stays as it is, with its mode.
void TestCompaction::aReadOnlyDataFileIsLeftAsItIs()
{
    DataFolder folder;
    const QByteArray before = recordsBytes({"Ann", "Bob"});
    folder.writeBytes(before);
    QCOMPARE(::chmod("datphone", 0444), 0);
    // Root may write any file: the check runs as an ordinary user.
    const std::string problem =
        problemAsOrdinaryUser([&] { return readOnlyDeletionProblem(before); });
    QVERIFY2(problem.empty(), problem.c_str());
    struct stat st {};
    QCOMPARE(::lstat("datphone", &st), 0);
    QCOMPARE(st.st_mode & 0777, 0444u);
}

void TestCompaction::recovery_data()
{
    QTest::addColumn<QByteArray>("data");    // "-" for a missing data file
    QTest::addColumn<QByteArray>("scratch"); // "-" for none, "->" for a symbolic link
    QTest::addColumn<bool>("recovered");

    const QByteArray none = "-";
    const QByteArray abc = recordsBytes({"Ann", "Bob", "Cid"});
    const QByteArray ac = recordsBytes({"Ann", "Bob", "Cid"}).left(129) +
                          recordsBytes({"Ann", "Bob", "Cid"}).mid(258);

    QTest::newRow("stopped after the data file went") << none << ac << true;
    QTest::newRow("stopped after the data file went, no records") << none << QByteArray() << true;
    QTest::newRow("nothing to recover") << none << none << false;
    QTest::newRow("scratch is a symbolic link") << none << QByteArray("->") << false;
    // The copy back had not begun, had copied one record, or one and a half.
    QTest::newRow("copy back not begun") << QByteArray() << ac << true;
    QTest::newRow("copy back cut off") << abc.left(129) << abc << true;
    QTest::newRow("copy back cut off in a record") << abc.left(129 + 60) << abc << true;
    // What this program's own deletion leaves when it stops: the data file is whole and the
    // scratch file is never longer than it.
    QTest::newRow("copy out cut off") << abc << ac.left(129) << false;
    QTest::newRow("copy out complete") << abc << ac << false;
    QTest::newRow("same records") << abc << abc << false;
    QTest::newRow("data file differs") << recordsBytes({"Zed"}) << abc << false;
    QTest::newRow("data file differs in its last byte")
        << abc.left(128) + QByteArray(1, '!') << abc << false;
}

void TestCompaction::recovery()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, scratch);
    QFETCH(bool, recovered);

    DataFolder folder;
    if (data != "-")
        folder.writeBytes(data, Data);
    const bool link = scratch == "->";
    if (link) {
        folder.writeBytes(recordsBytes({"Eve"}), QStringLiteral("elsewhere"));
        QVERIFY(QFile::link(QStringLiteral("elsewhere"), folder.filePath(Scratch)));
    } else if (scratch != "-") {
        folder.writeBytes(scratch, Scratch);
    }

    QCOMPARE(store::recoverInterruptedDeletion(store::posixFileSystem(), "datphone", "dephone"),
             recovered);

    if (recovered) {
        QCOMPARE(folder.bytes(Data), scratch);
        QVERIFY(!folder.exists(Scratch));
        return;
    }
    QCOMPARE(folder.exists(Data), data != "-");
    if (data != "-")
        QCOMPARE(folder.bytes(Data), data);
    if (link) {
        QVERIFY(QFileInfo(folder.filePath(Scratch)).isSymLink());
        QCOMPARE(folder.bytes(QStringLiteral("elsewhere")), recordsBytes({"Eve"}));
    } else if (scratch != "-") {
        QCOMPARE(folder.bytes(Scratch), scratch);
    }
}

// The order that makes every instant safe: the data file itself is never written, removed or
// truncated; the new records are on the disk before the rename, and the rename is made
// durable after it.
void TestCompaction::scratchIsCompleteOnDiskBeforeItReplacesTheDataFile()
{
    DataFolder folder;
    folder.writeBytes(recordsBytes({"Ann", "Bob", "Cid", "Dot"}));
    FaultyFileSystem fs;
    deleteRecord(fs, 2);
    QCOMPARE(folder.records().size(), std::size_t(3));

    const auto& log = fs.operations();
    qInfo("a compaction of 4 records makes %d file operations:\n%s", fs.count(),
          fs.describeAll().c_str());

    const auto position = [&](FileOperation kind, const std::string& name) {
        int last = -1;
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (log[i].kind == kind && log[i].name == name)
                last = static_cast<int>(i);
        }
        return last;
    };
    for (const auto& op : log) {
        const bool changesData =
            op.name == "datphone" &&
            ((op.kind == FileOperation::Write && op.bytes > 0) ||
             op.kind == FileOperation::Remove || op.kind == FileOperation::Rename);
        QVERIFY2(!changesData, op.describe().c_str());
    }
    // The three records that stay, each written once, one after the other from the start.
    std::uint64_t writtenUpTo = 0;
    for (const auto& write : fs.operationsOn(FileOperation::Write, "dephone")) {
        QCOMPARE(write.offset, writtenUpTo);
        writtenUpTo += write.bytes;
    }
    QCOMPARE(writtenUpTo, std::uint64_t(3 * store::RecordSize));
    // A leftover goes before the scratch file is made, and that is only ever created new.
    QCOMPARE(fs.operationsOn(FileOperation::Remove, "dephone").size(), std::size_t(1));
    QVERIFY(position(FileOperation::Remove, "dephone") < position(FileOperation::Open, "dephone"));
    const auto opens = fs.operationsOn(FileOperation::Open, "dephone");
    QCOMPARE(opens.size(), std::size_t(1));
    QVERIFY(opens.front().mode == store::OpenMode::CreateNew);

    const int lastWrite = position(FileOperation::Write, "dephone");
    const int sync = position(FileOperation::Sync, "dephone");
    const int close = position(FileOperation::Close, "dephone");
    const int rename = position(FileOperation::Rename, "dephone");
    const int syncDirectory = position(FileOperation::SyncDirectory, ".");
    QVERIFY(lastWrite < sync);
    QVERIFY(sync < close);
    QVERIFY(close < rename);
    QVERIFY(position(FileOperation::Close, "datphone") < rename);
    QCOMPARE(log[static_cast<std::size_t>(rename)].target, std::string("datphone"));
    QCOMPARE(syncDirectory, static_cast<int>(log.size()) - 1);
}

void TestCompaction::aWriteThatFailsInALaterBatchLeavesTheDataFileWhole()
{
    DataFolder folder;
    const QByteArray before = recordsBytes(nicknames(3000));
    folder.writeBytes(before);
    FaultyFileSystem fs;
    int writes = 0;
    fs.failFirst([&](const OperationRecord& op) {
        return op.kind == FileOperation::Write && op.name == "dephone" && ++writes == 2;
    });
    QVERIFY_THROWS_EXCEPTION(store::StoreError, deleteRecord(fs, 5));
    QCOMPARE(fs.failures(), 1);
    QCOMPARE(folder.bytes(), before);
    QVERIFY(!folder.exists(Scratch));
    // The first batch had gone to the scratch file, the failed one did not.
    const auto written = fs.operationsOn(FileOperation::Write, "dephone");
    QCOMPARE(written.size(), std::size_t(2));
    QCOMPARE(written[0].bytes, std::size_t(1024 * 129));
    QVERIFY(written[1].failed);
}

// Contacts kept elsewhere (a synced folder) through a symbolic link: the link stays, and the
// file it leads to is compacted from a scratch file beside it, or brought back from one.
void TestCompaction::aLinkedDataFileStaysALink_data()
{
    QTest::addColumn<QString>("target"); // where the link leads, from the working folder
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<bool>("interrupted"); // a deletion stopped in the copy back, to recover

    QTest::newRow("beside it") << "contacts" << false << false;
    QTest::newRow("another folder") << "synced/datphone" << true << false;
    QTest::newRow("another folder, relative link") << "synced/datphone" << false << false;
    QTest::newRow("recovery beside the target") << "synced/datphone" << false << true;
}

void TestCompaction::aLinkedDataFileStaysALink()
{
    QFETCH(QString, target);
    QFETCH(bool, absolute);
    QFETCH(bool, interrupted);

    DataFolder folder;
    const QByteArray abc = recordsBytes({"Ann", "Bob", "Cid"});
    const QString scratchBeside = QFileInfo(target).path() + u'/' + Scratch;
    QVERIFY(QDir().mkpath(QFileInfo(target).path()));
    folder.writeBytes(interrupted ? abc.left(129) : abc, target);
    if (interrupted)
        folder.writeBytes(abc, scratchBeside);
    QVERIFY(QFile::link(absolute ? folder.filePath(target) : target, Data));

    if (interrupted)
        QVERIFY(store::recoverInterruptedDeletion(store::posixFileSystem(), "datphone", "dephone"));
    else
        deleteRecord(store::posixFileSystem(), 2);

    QVERIFY(QFileInfo(Data).isSymLink());
    QCOMPARE(folder.bytes(target), interrupted ? abc : abc.left(129) + abc.mid(258));
    QVERIFY(!folder.exists(scratchBeside));
    QVERIFY(!folder.exists(Scratch));
}

namespace {

// Adds 1,100 contacts behind three, as an import does, more than go to the disk in one write:
// they come with no RecordNo and are stored with their positions.
void importMany(store::FileSystem& fs)
{
    store::DataFile data(fs, "datphone");
    store::DataFile scratch(fs, transfer::ImportScratchName);
    data.open();
    auto added = recordsNamed(nicknames(1103));
    added.erase(added.begin(), added.begin() + 3);
    for (auto& record : added)
        record.RecordNo = 0;
    store::appendAllOrNothing(data, scratch, added);
}

const QByteArray BeforeImport = recordsBytes(nicknames(3));
const QByteArray AfterImport = recordsBytes(nicknames(1103));

} // namespace

// Every file operation of an import fails once, and is, separately, the last before the
// machine stops and starts again: the book then holds its contacts alone or with all the
// imported ones behind them, never some, and no scratch file is left.
void TestCompaction::anImportAddsAllOrNothingWhereverItStops_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("stops");

    DataFolder folder;
    folder.writeBytes(BeforeImport);
    FaultyFileSystem dry;
    importMany(dry);
    QCOMPARE(folder.bytes(), AfterImport);
    for (const OperationRecord& op : dry.operations()) {
        for (const bool stops : {false, true}) {
            const std::string row = op.describe() + (stops ? ", then the machine stops" : " fails");
            QTest::newRow(row.c_str()) << op.number << stops;
        }
    }
}

void TestCompaction::anImportAddsAllOrNothingWhereverItStops()
{
    QFETCH(int, step);
    QFETCH(bool, stops);

    DataFolder folder;
    folder.writeBytes(BeforeImport);
    FaultyFileSystem fs;
    if (stops)
        fs.failFrom(step + 1);
    else
        fs.failAt(step);
    try {
        importMany(fs);
    } catch (const store::StoreError&) {
    }
    QVERIFY2(fs.openFiles().empty(), fs.describeAll().c_str());
    if (stops)
        transfer::recoverInterruptedWrites(store::posixFileSystem()); // the start that follows
    const QByteArray bytes = folder.bytes();
    QVERIFY2(bytes == BeforeImport || bytes == AfterImport, fs.describeAll().c_str());
    QVERIFY(!folder.exists(QString::fromLatin1(transfer::ImportScratchName)));
    QVERIFY(!folder.exists(Scratch));
}

void TestCompaction::anImportPastTheLastRecordNumberAddsNothing()
{
    DataFolder folder;
    const QByteArray full(32766 * 129, ' ');
    folder.writeBytes(full);
    QVERIFY_THROWS_EXCEPTION(store::StoreError, importMany(store::posixFileSystem()));
    QCOMPARE(folder.bytes(), full);
    QVERIFY(!folder.exists(QString::fromLatin1(transfer::ImportScratchName)));
}

QTEST_GUILESS_MAIN(TestCompaction)
#include "tst_compaction.moc"
