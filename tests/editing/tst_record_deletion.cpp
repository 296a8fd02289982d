// DELETE through the real window: the chosen contact goes at once, the others never.
#include "support/faulty_file_system.h"
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/text_box.h"

#include "window/controls/dial_button.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QString Scratch = QStringLiteral("dephone");

// A list entry: the nickname as stored, 15 characters.
QString entry(const QString& nick)
{
    return nick.leftJustified(15, u' ');
}

QStringList entriesOf(const std::vector<store::ContactRecord>& records)
{
    QStringList entries;
    for (const auto& record : records)
        entries.append(QString::fromLatin1(record.Nick.text()));
    return entries;
}

// Records named as given, and the same list without the record at `removed` (from 1).
std::vector<store::ContactRecord> without(std::vector<store::ContactRecord> records, int removed)
{
    records.erase(records.begin() + (removed - 1));
    return records;
}

void startActive(WindowFixture& fx, store::FileSystem& fs = store::posixFileSystem())
{
    fx.start(fs);
    QVERIFY(QTest::qWaitForWindowActive(&fx.window()));
}

void chooseAndDelete(WindowFixture& fx, int row)
{
    fx.clickListEntry(row);
    QVERIFY(fx.window().BtnDelete->isEnabled());
    fx.click(fx.window().BtnDelete);
}

} // namespace

class TestRecordDeletion : public QObject {
    Q_OBJECT

private slots:
    void deletesTheChosenContact_data();
    void deletesTheChosenContact();
    void deletingTheOnlyContactLeavesAnEmptyBook();
    void deleteWaitsForTheNextChoice();
    void scratchNameIsNeverWrittenThrough_data();
    void scratchNameIsNeverWrittenThrough();
    void startUpBringsBackAnInterruptedDeletion();
    void startUpStopsWhenTheContactsCannotBeBroughtBack();
    void failureAtEachStepKeepsTheBookWhole_data();
    void failureAtEachStepKeepsTheBookWhole();
    void machineStoppingAtEachStepLosesNoContact_data();
    void machineStoppingAtEachStepLosesNoContact();
};

void TestRecordDeletion::deletesTheChosenContact_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("strayBytes");
    QTest::addColumn<int>("row");

    QTest::newRow("first of three") << 3 << 0 << 0;
    QTest::newRow("middle of three") << 3 << 0 << 1;
    QTest::newRow("last of three") << 3 << 0 << 2;
    QTest::newRow("first of two, stray bytes behind") << 2 << 50 << 0;
    QTest::newRow("last of two, a stray byte behind") << 2 << 1 << 1;
    QTest::newRow("middle of five, 128 stray bytes") << 5 << 128 << 2;
}

void TestRecordDeletion::deletesTheChosenContact()
{
    QFETCH(int, records);
    QFETCH(int, strayBytes);
    QFETCH(int, row);

    WindowFixture fx;
    const auto all = recordsNamed({"Ann", "Bob", "Cid", "Dot", "Eve"});
    const std::vector<store::ContactRecord> stored(all.begin(), all.begin() + records);
    fx.folder.writeBytes(encoded(stored) + QByteArray(strayBytes, 'z'));
    startActive(fx);
    Form1x& w = fx.window();

    chooseAndDelete(fx, row);

    // The file: the other records, byte for byte, RecordNo of the moved ones untouched, and
    // a whole number of records.
    const auto left = without(stored, row + 1);
    QCOMPARE(fx.folder.bytes(), encoded(left));
    QVERIFY(!fx.folder.exists(Scratch));
    QVERIFY(fx.dialogs->messages.isEmpty());

    // The window: every remaining nickname, the last contact shown read-only.
    QCOMPARE(fx.listEntries(), entriesOf(left));
    QCOMPARE(w.TxtNick->text(), QString::fromLatin1(left.back().Nick.trimmed()));
    QCOMPARE(w.TxtAdPhon->text(), QString::fromLatin1(left.back().Phone.trimmed()));
    QVERIFY(w.TxtAdName->isReadOnly());
    QVERIFY(!w.BtnDelete->isEnabled());
    QVERIFY(!w.BtnSave->isEnabled());
    QVERIFY(w.BtnUpdate->isEnabled());
    QVERIFY(w.BtnAdd->isEnabled());
    QCOMPARE(fx.statusTotal(), QString::number(left.size()));
    QCOMPARE(w.windowState().CurrentRecord, static_cast<int>(left.size()));
    QCOMPARE(w.windowState().RecordCount, static_cast<int>(left.size()));
}

void TestRecordDeletion::deletingTheOnlyContactLeavesAnEmptyBook()
{
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann"}));
    startActive(fx);
    Form1x& w = fx.window();

    chooseAndDelete(fx, 0);

    QVERIFY(fx.folder.exists(QStringLiteral("datphone")));
    QCOMPARE(fx.folder.bytes().size(), 0);
    QVERIFY(!fx.folder.exists(Scratch));
    QVERIFY(fx.listEntries().isEmpty());
    for (TextBox* box :
         {w.TxtNick, w.TxtAdName, w.TxtAdFname, w.TxtAdAdd, w.TxtAdPhon, w.TxtCode, w.Txtprefx}) {
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY2(!box->isReadOnly(), qPrintable(box->objectName()));
    }
    const QPushButton* const buttons[] = {w.BtnDelete, w.BtnSave, w.BtnUpdate, w.BtnAdd};
    for (const QPushButton* button : buttons)
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    QVERIFY(!w.DialButton1->isVisible());
    QVERIFY(w.windowState().IsNewEntry);
    QCOMPARE(w.windowState().NewRecordNo, 1);
    QVERIFY(fx.dialogs->messages.isEmpty());
}

// After a deletion DELETE needs a new choice: the old record number now names the next
// contact. Choosing again deletes the contact chosen, found by its new place.
void TestRecordDeletion::deleteWaitsForTheNextChoice()
{
    WindowFixture fx;
    const auto stored = recordsNamed({"Ann", "Bob", "Cid", "Dot"});
    fx.folder.writeRecords(stored);
    startActive(fx);

    chooseAndDelete(fx, 1);
    const QByteArray afterFirst = encoded(without(stored, 2));
    QCOMPARE(fx.folder.bytes(), afterFirst);
    fx.click(fx.window().BtnDelete);
    QCOMPARE(fx.folder.bytes(), afterFirst);

    chooseAndDelete(fx, 1); // "Cid", now record 2
    QCOMPARE(fx.folder.bytes(), encoded({stored[0], stored[3]}));
    QCOMPARE(fx.listEntries(), QStringList({entry("Ann"), entry("Dot")}));
}

void TestRecordDeletion::scratchNameIsNeverWrittenThrough_data()
{
    QTest::addColumn<QString>("planted");

    QTest::newRow("leftover scratch file") << "file";
    QTest::newRow("leftover scratch file, longer than the book") << "long file";
    QTest::newRow("link to another file") << "link";
    QTest::newRow("link to nowhere") << "dangling link";
    QTest::newRow("link to the data file") << "link to data";
}

void TestRecordDeletion::scratchNameIsNeverWrittenThrough()
{
    QFETCH(QString, planted);

    WindowFixture fx;
    const auto stored = recordsNamed({"Ann", "Bob", "Cid"});
    fx.folder.writeRecords(stored);
    const QByteArray other = encoded(recordsNamed({"Xav", "Yul", "Zoe", "Uma", "Val"}));
    const QString elsewhere = fx.folder.filePath(QStringLiteral("elsewhere"));
    const QString scratch = fx.folder.filePath(Scratch);
    if (planted == "file") {
        fx.folder.writeBytes(other.left(129 * 2), Scratch);
    } else if (planted == "long file") {
        fx.folder.writeBytes(other, Scratch);
    } else if (planted == "link") {
        fx.folder.writeBytes(other, QStringLiteral("elsewhere"));
        QVERIFY(QFile::link(elsewhere, scratch));
    } else if (planted == "dangling link") {
        QVERIFY(QFile::link(elsewhere, scratch));
    } else {
        QVERIFY(QFile::link(fx.folder.filePath(QStringLiteral("datphone")), scratch));
    }
    startActive(fx);
    // A leftover scratch file beside a whole data file brings nothing back at start-up.
    QCOMPARE(fx.listEntries(), entriesOf(stored));

    chooseAndDelete(fx, 0);

    QCOMPARE(fx.folder.bytes(), encoded(without(stored, 1)));
    QVERIFY(!QFileInfo(fx.folder.filePath(QStringLiteral("datphone"))).isSymLink());
    QVERIFY(!fx.folder.exists(Scratch));
    if (planted == "link")
        QCOMPARE(fx.folder.bytes(QStringLiteral("elsewhere")), other);
    else
        QVERIFY(!fx.folder.exists(QStringLiteral("elsewhere")));
    QVERIFY(fx.dialogs->messages.isEmpty());
}

void TestRecordDeletion::startUpBringsBackAnInterruptedDeletion()
{
    WindowFixture fx;
    const auto stored = recordsNamed({"Ann", "Bob", "Cid"});
    const QByteArray kept = encoded(without(stored, 2));
    fx.folder.writeBytes(kept, Scratch); // the data file had gone
    startActive(fx);

    QCOMPARE(fx.folder.bytes(), kept);
    QVERIFY(!fx.folder.exists(Scratch));
    QCOMPARE(fx.listEntries(), QStringList({entry("Ann"), entry("Cid")}));
    QCOMPARE(fx.window().TxtNick->text(), QStringLiteral("Cid"));
    QVERIFY(fx.dialogs->messages.isEmpty());
}

void TestRecordDeletion::startUpStopsWhenTheContactsCannotBeBroughtBack()
{
    FaultyFileSystem fs;
    WindowFixture fx;
    const QByteArray kept = encoded(recordsNamed({"Ann", "Cid"}));
    fx.folder.writeBytes(kept, Scratch);
    fs.failFirst([](const OperationRecord& op) { return op.kind == FileOperation::Rename; });
    startActive(fx, fs);

    // The reason is shown, and no empty data file is made that would hide the contacts.
    QCOMPARE(fx.dialogs->messages.size(), 1);
    QVERIFY2(fx.dialogs->messages.front().contains(QStringLiteral("\"dephone\"")),
             qPrintable(fx.dialogs->messages.front()));
    QVERIFY(!fx.folder.exists(QStringLiteral("datphone")));
    QCOMPARE(fx.folder.bytes(Scratch), kept);
    QCOMPARE(fs.operationsOn(FileOperation::Open, "datphone").size(), std::size_t(0));

    // Once the folder can be written again, the next start brings them back.
    fx.restart();
    QCOMPARE(fx.listEntries(), QStringList({entry("Ann"), entry("Cid")}));
    QCOMPARE(fx.folder.bytes(), kept);
}

namespace {

// The steps of DELETE, from the press to the window set up again, as a dry run makes them:
// each row names one step and says whether the data file is replaced by then.
void addDeletionSteps()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("replaced");

    FaultyFileSystem fs;
    WindowFixture fx;
    fx.folder.writeRecords(recordsNamed({"Ann", "Bob", "Cid"}));
    fx.start(fs);
    fx.clickListEntry(1);
    fs.restartCount();
    fx.click(fx.window().BtnDelete);
    if (fx.folder.records().size() != 2)
        qFatal("the dry run did not delete");

    static bool told = false;
    if (!told) {
        qInfo("DELETE of the middle of three records makes %d file operations:\n%s", fs.count(),
              fs.describeAll().c_str());
        told = true;
    }
    bool renamed = false;
    for (const auto& op : fs.operations()) {
        QTest::newRow(op.describe().c_str()) << op.number << renamed;
        renamed = renamed || op.kind == FileOperation::Rename;
    }
}

} // namespace

namespace {

// Starts the window on Ann, Bob and Cid through the fault-injecting `fs`, chooses Bob and
// counts the file operations afresh from there, so that step 1 is DELETE's first. Returns the
// contacts as stored.
std::vector<store::ContactRecord> chooseBobOfThree(WindowFixture& fx, FaultyFileSystem& fs)
{
    auto stored = recordsNamed({"Ann", "Bob", "Cid"});
    fx.folder.writeRecords(stored);
    startActive(fx, fs);
    fx.clickListEntry(1);
    fs.restartCount();
    return stored;
}

} // namespace

void TestRecordDeletion::failureAtEachStepKeepsTheBookWhole_data()
{
    addDeletionSteps();
}

void TestRecordDeletion::failureAtEachStepKeepsTheBookWhole()
{
    QFETCH(int, step);
    QFETCH(bool, replaced);

    FaultyFileSystem fs;
    WindowFixture fx;
    const auto stored = chooseBobOfThree(fx, fs);
    fs.failAt(step);
    fx.click(fx.window().BtnDelete);

    const OperationRecord failed = fs.operations().at(static_cast<std::size_t>(step - 1));
    QVERIFY(failed.failed);
    if (failed.kind == FileOperation::Lock) {
        // Another window holds the folder: the action never begins, and the book and the
        // choice stay as they were.
        QCOMPARE(fx.folder.bytes(), encoded(stored));
        QCOMPARE(fx.dialogs->messages.size(), 1);
        QCOMPARE(fx.listEntries(), entriesOf(stored));
        QCOMPARE(fx.window().TxtNick->text(), QStringLiteral("Bob"));
        QVERIFY(fx.window().BtnDelete->isEnabled());
        return;
    }
    const auto holds = replaced ? without(stored, 2) : stored;
    QCOMPARE(fx.folder.bytes(), encoded(holds));
    QVERIFY(!fx.folder.exists(Scratch));

    QCOMPARE(fx.dialogs->messages.size(), 1);
    const QString message = fx.dialogs->messages.front();
    // The folder itself goes by its full name.
    const QString name =
        failed.name == "." ? QDir::currentPath() : QString::fromStdString(failed.name);
    QVERIFY2(message.contains(u'"' + name + u'"'), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String(failureWord(failed))), qPrintable(message));
    // The contact is gone once the data file is replaced, even when its folder fails to sync.
    if (failed.kind == FileOperation::SyncDirectory)
        QVERIFY2(message.startsWith(QLatin1String("The contact is deleted, but the change may "
                                                  "not yet be safe on the disk")),
                 qPrintable(message));

    // The window offers what the file holds, and DELETE waits for a new choice.
    QCOMPARE(fx.listEntries(), entriesOf(holds));
    QCOMPARE(fx.window().TxtNick->text(), QString::fromLatin1(holds.back().Nick.trimmed()));
    QVERIFY(!fx.window().BtnDelete->isEnabled());
}

void TestRecordDeletion::machineStoppingAtEachStepLosesNoContact_data()
{
    addDeletionSteps();
}

void TestRecordDeletion::machineStoppingAtEachStepLosesNoContact()
{
    QFETCH(int, step);

    FaultyFileSystem fs;
    WindowFixture fx;
    const auto stored = chooseBobOfThree(fx, fs);
    fs.failFrom(step);
    fx.click(fx.window().BtnDelete);
    // Nothing works any more, so the window cannot be set up again; the list may still show
    // the chosen contact, whose record number may now be another's: DELETE must not act on it
    // (unless the action could not even begin).
    QCOMPARE(fx.dialogs->messages.size(), 1);
    const bool began = fs.operations().front().kind != FileOperation::Lock || step > 1;
    if (began)
        QVERIFY(!fx.window().BtnDelete->isEnabled());

    // The machine starts again: every contact is there, or every one but the chosen.
    fx.restart();
    const QByteArray bytes = fx.folder.bytes();
    QVERIFY2(bytes == encoded(stored) || bytes == encoded(without(stored, 2)),
             qPrintable(QString::number(bytes.size())));
    QCOMPARE(fx.listEntries(), entriesOf(fx.folder.records()));

    // And DELETE works as ever, whatever scratch file was left.
    const auto before = fx.folder.records();
    chooseAndDelete(fx, 0);
    QCOMPARE(fx.folder.bytes(), encoded(without(before, 1)));
    QVERIFY(!fx.folder.exists(Scratch));
}

QTEST_MAIN(TestRecordDeletion)
#include "tst_record_deletion.moc"
