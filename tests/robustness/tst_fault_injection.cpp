// Every file operation of the actions that write, made to fail in turn and, separately, made
// the last one before the machine stops. Whatever happens, "datphone" holds the contacts as
// they were before the action or as they are after it, a failure says so in a message, no
// file stays open, and the window (or, after a stop, a fresh start) goes on working.
#include "support/faulty_file_system.h"
#include "support/window_fixture.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QDir>
#include <QTest>

#include <functional>
#include <set>

Q_DECLARE_METATYPE(FileOperation)

namespace {

const QString Scratch = QStringLiteral("dephone");

QStringList entriesOf(const std::vector<store::ContactRecord>& records)
{
    QStringList entries;
    for (const auto& record : records)
        entries.append(QString::fromLatin1(record.Nick.text()));
    return entries;
}

std::string namesOf(const std::vector<std::string>& names)
{
    std::string all = "still open:";
    for (const auto& name : names)
        all += " " + name;
    return all;
}

// One action of the user that writes, from a window started on `before` to the press.
struct Action {
    QString name;
    QByteArray before;
    // Brings the started window to the moment before the press: a choice in the list, an
    // entry typed.
    std::function<void(WindowFixture&)> prepare;
    QPushButton* (*button)(Form1x&);
    QByteArray after;
};

const std::vector<store::ContactRecord> Three = recordsNamed({"Ann", "Bob", "Cid"});

std::vector<store::ContactRecord> without(std::vector<store::ContactRecord> records, int removed)
{
    records.erase(records.begin() + (removed - 1));
    return records;
}

QPushButton* deleteButton(Form1x& w)
{
    return w.BtnDelete;
}

QPushButton* saveButton(Form1x& w)
{
    return w.BtnSave;
}

// Replaces what a box holds by typing, as a user who selects it all and types over it.
void typeOver(TextBox* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

std::vector<store::ContactRecord> with(std::vector<store::ContactRecord> records,
                                       const Contact& added)
{
    records.push_back(makeRecord(added, static_cast<std::int16_t>(records.size() + 1)));
    return records;
}

std::vector<Action> actions()
{
    std::vector<Action> all;
    all.push_back({QStringLiteral("SAVE new into an empty book"), QByteArray(),
                   [](WindowFixture& fx) {
                       fx.type(fx.window().TxtNick, QStringLiteral("Dee"));
                       fx.type(fx.window().TxtAdPhon, QStringLiteral("44"));
                   },
                   saveButton, encoded({makeRecord({.nick = "Dee", .phone = "44"}, 1)})});
    all.push_back({QStringLiteral("SAVE new behind three, tab C chosen"), encoded(Three),
                   [](WindowFixture& fx) {
                       fx.clickTab(QStringLiteral("C"));
                       fx.click(fx.window().BtnAdd);
                       fx.type(fx.window().TxtNick, QStringLiteral("Cal"));
                       fx.type(fx.window().TxtAdName, QStringLiteral("Cal Full"));
                       fx.type(fx.window().TxtAdPhon, QStringLiteral("77"));
                   },
                   saveButton,
                   encoded(with(Three, {.nick = "Cal", .fullName = "Cal Full", .phone = "77"}))});
    auto edited = Three;
    edited[1].FullName.assign("Robert");
    all.push_back({QStringLiteral("SAVE in place, second of three"), encoded(Three),
                   [](WindowFixture& fx) {
                       fx.clickListEntry(1);
                       fx.click(fx.window().BtnUpdate);
                       typeOver(fx.window().TxtAdName, QStringLiteral("Robert"));
                   },
                   saveButton, encoded(edited)});
    all.push_back({QStringLiteral("DELETE middle of three"), encoded(Three),
                   [](WindowFixture& fx) { fx.clickListEntry(1); }, deleteButton,
                   encoded(without(Three, 2))});
    all.push_back({QStringLiteral("DELETE only contact, stray bytes behind"),
                   encoded(recordsNamed({"Ann"})) + QByteArray(40, 'z'),
                   [](WindowFixture& fx) { fx.clickListEntry(0); }, deleteButton, QByteArray()});
    return all;
}

const Action& actionNamed(const QString& name)
{
    static const std::vector<Action> all = actions();
    for (const Action& action : all) {
        if (action.name == name)
            return action;
    }
    qFatal("no action %s", qPrintable(name));
}

// The window started on the action's file through `fs`, brought to the press.
void prepare(WindowFixture& fx, FaultyFileSystem& fs, const Action& action)
{
    fx.folder.writeBytes(action.before);
    fx.start(fs);
    if (!QTest::qWaitForWindowActive(&fx.window()))
        qWarning("the window did not become active");
    action.prepare(fx);
    fs.restartCount();
}

// The file operations of one press, as a run without failures makes them.
std::vector<OperationRecord> dryRun(const Action& action)
{
    FaultyFileSystem fs;
    WindowFixture fx;
    prepare(fx, fs, action);
    fx.click(action.button(fx.window()));
    if (fx.folder.bytes() != action.after || !fx.dialogs->messages.isEmpty())
        qFatal("%s does not do what it should without failures", qPrintable(action.name));
    return fs.operations();
}

struct Point {
    QString action;
    int step;
    bool stops;
    friend bool operator<(const Point& a, const Point& b)
    {
        return std::tie(a.action, a.step, a.stops) < std::tie(b.action, b.step, b.stops);
    }
};
std::set<Point> plannedPoints;
std::set<Point> coveredPoints;

void addInjectionPoints(bool stops)
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("steps");

    for (const Action& action : actions()) {
        const auto operations = dryRun(action);
        if (!stops)
            qInfo("%s: %zu file operations", qPrintable(action.name), operations.size());
        for (const OperationRecord& op : operations) {
            const std::string row = action.name.toStdString() + ": " + op.describe();
            QTest::newRow(row.c_str())
                << action.name << op.number << QString::fromStdString(op.describe())
                << static_cast<int>(operations.size());
            plannedPoints.insert({action.name, op.number, stops});
        }
    }
}

// The window goes on from where the action left it: a new contact is stored behind every
// contact the file holds, the contacts it offers are the ones the file holds, and it still
// chooses and deletes.
void checkTheWindowWorks(WindowFixture& fx)
{
    Form1x& w = fx.window();
    const int messages = static_cast<int>(fx.dialogs->messages.size());
    const auto stored = fx.folder.records();
    if (w.BtnAdd->isEnabled()) {
        fx.click(w.BtnAdd);
    } else {
        // A new entry that could not be stored is still open: the user types another.
        QVERIFY(w.windowState().IsNewEntry);
        for (TextBox* box : {w.TxtAdName, w.TxtAdFname, w.TxtAdAdd, w.TxtCode, w.Txtprefx}) {
            box->setFocus();
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
        }
    }
    typeOver(w.TxtNick, QStringLiteral("Zed"));
    typeOver(w.TxtAdPhon, QStringLiteral("9"));
    fx.click(w.BtnSave);
    QCOMPARE(fx.dialogs->messages.size(), messages);
    QCOMPARE(fx.folder.records().size(), stored.size() + 1);
    QCOMPARE(fx.folder.records(), with(stored, {.nick = "Zed", .phone = "9"}));

    fx.clickTab(QStringLiteral("*"));
    const auto now = fx.folder.records();
    QCOMPARE(fx.listEntries(), entriesOf(now));
    fx.clickListEntry(0);
    QCOMPARE(w.TxtNick->text(), QString::fromLatin1(now.front().Nick.trimmed()));
    QVERIFY(w.BtnDelete->isEnabled());
    fx.click(w.BtnDelete);
    QCOMPARE(fx.folder.records(), without(now, 1));
    QCOMPARE(fx.listEntries(), entriesOf(without(now, 1)));
    QVERIFY(!fx.folder.exists(Scratch));
    QCOMPARE(fx.dialogs->messages.size(), messages);
}

void storeNewContact(WindowFixture& fx, const QString& nick, const QString& phone)
{
    fx.click(fx.window().BtnAdd);
    fx.type(fx.window().TxtNick, nick);
    fx.type(fx.window().TxtAdPhon, phone);
    fx.click(fx.window().BtnSave);
}

} // namespace

class TestFaultInjection : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase();

    void eachFailingOperationKeepsThePromise_data();
    void eachFailingOperationKeepsThePromise();
    void eachStopOfTheMachineKeepsThePromise_data();
    void eachStopOfTheMachineKeepsThePromise();
    void aNewContactGoesBehindOneStoredMeanwhile();
    void afterAFailedActionDeleteActsOnWhatIsShown_data();
    void afterAFailedActionDeleteActsOnWhatIsShown();
};

void TestFaultInjection::cleanupTestCase()
{
    qInfo("%zu of %zu injection points covered (%zu file operations, each failed once and each "
          "the last before a stop)",
          coveredPoints.size(), plannedPoints.size(), plannedPoints.size() / 2);
}

void TestFaultInjection::eachFailingOperationKeepsThePromise_data()
{
    addInjectionPoints(false);
}

void TestFaultInjection::eachFailingOperationKeepsThePromise()
{
    QFETCH(QString, action);
    QFETCH(int, step);
    QFETCH(QString, operation);
    const Action& act = actionNamed(action);

    FaultyFileSystem fs;
    WindowFixture fx;
    prepare(fx, fs, act);
    fs.failAt(step);
    fx.click(act.button(fx.window()));

    // The operation that failed is the one the dry run made at this step.
    QVERIFY(fs.count() >= step);
    const OperationRecord failed = fs.operations().at(static_cast<std::size_t>(step - 1));
    QVERIFY(failed.failed);
    QCOMPARE(QString::fromStdString(failed.describe()), operation + QStringLiteral(" [failed]"));
    QCOMPARE(fs.failures(), 1);

    const QByteArray bytes = fx.folder.bytes();
    QVERIFY2(bytes == act.before || bytes == act.after, qPrintable(fs.describeAll().c_str()));
    QVERIFY(!fx.folder.exists(Scratch));
    QVERIFY2(fs.openFiles().empty(), namesOf(fs.openFiles()).c_str());

    // One message, which names the file and what could not be done to it; or, when another
    // window kept the folder, says so in a sentence.
    QCOMPARE(fx.dialogs->messages.size(), 1);
    const QString message = fx.dialogs->messages.front();
    // The folder goes by its full name.
    const QString name = failed.name == "."
                             ? QStringLiteral("folder \"") + QDir::currentPath()
                             : QStringLiteral("file \"") + QString::fromStdString(failed.name);
    if (failed.kind == FileOperation::Lock) {
        QVERIFY2(message.startsWith(QLatin1String("Another Zarvoth window is still busy")),
                 qPrintable(message));
    } else {
        QVERIFY2(message.contains(name + u'"'), qPrintable(message));
        QVERIFY2(message.contains(QLatin1String(failureWord(failed))), qPrintable(message));
    }

    // When the action had reached the file, the window shows what the file now holds, not an
    // entry that looks unsaved or a contact that is gone.
    if (bytes == act.after) {
        QCOMPARE(fx.listEntries(), entriesOf(fx.folder.records()));
        QVERIFY(!fx.window().BtnSave->isEnabled());
    }

    fs.stopFailing();
    checkTheWindowWorks(fx);
    coveredPoints.insert({action, step, false});
}

void TestFaultInjection::eachStopOfTheMachineKeepsThePromise_data()
{
    addInjectionPoints(true);
}

void TestFaultInjection::eachStopOfTheMachineKeepsThePromise()
{
    QFETCH(QString, action);
    QFETCH(int, step);
    QFETCH(int, steps);
    const Action& act = actionNamed(action);

    FaultyFileSystem fs;
    WindowFixture fx;
    prepare(fx, fs, act);
    // Operation `step` is the last that reaches the disk.
    fs.failFrom(step + 1);
    fx.click(act.button(fx.window()));
    QCOMPARE(fx.dialogs->messages.size(), step < steps ? 1 : 0);
    QVERIFY2(fs.openFiles().empty(), namesOf(fs.openFiles()).c_str());

    // The machine starts again on what the disk holds.
    fx.restart();
    const QByteArray bytes = fx.folder.bytes();
    QVERIFY2(bytes == act.before || bytes == act.after, qPrintable(QString::number(bytes.size())));
    QVERIFY(fx.dialogs->messages.isEmpty());
    checkTheWindowWorks(fx);
    coveredPoints.insert({action, step, true});
}

// The count that ADD NEW saw is out of date when the contact is stored: another program (or a
// store that failed after its write) has added one. The new contact goes behind it.
void TestFaultInjection::aNewContactGoesBehindOneStoredMeanwhile()
{
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    fx.start();
    fx.click(fx.window().BtnAdd);
    fx.type(fx.window().TxtNick, QStringLiteral("Eve"));
    fx.type(fx.window().TxtAdPhon, QStringLiteral("5"));
    const auto four = with(Three, {.nick = "Dot", .phone = "4"});
    fx.folder.writeRecords(four);
    fx.click(fx.window().BtnSave);

    QVERIFY(fx.dialogs->messages.isEmpty());
    QCOMPARE(fx.folder.records(), with(four, {.nick = "Eve", .phone = "5"}));
    QCOMPARE(fx.listEntries(), entriesOf(fx.folder.records()));

    // And after an edit was left for a new entry, the new one is still no edit.
    fx.clickListEntry(1);
    fx.click(fx.window().BtnUpdate);
    storeNewContact(fx, QStringLiteral("Fay"), QStringLiteral("6"));
    QCOMPARE(fx.folder.records(),
             with(with(four, {.nick = "Eve", .phone = "5"}), {.nick = "Fay", .phone = "6"}));
}

void TestFaultInjection::afterAFailedActionDeleteActsOnWhatIsShown_data()
{
    QTest::addColumn<FileOperation>("failing"); // in SAVE for a write, else in a list click
    QTest::addColumn<int>("deleted");           // the record DELETE removes, 0 for none

    // Bob, picked in the list, stays current: no record number is left that was never written.
    QTest::newRow("SAVE whose write failed") << FileOperation::Write << 2;
    // The list highlights Bob, who could not be read: DELETE is not offered for Ann.
    QTest::newRow("list click whose read failed") << FileOperation::Open << 0;
    QTest::newRow("list click while another window kept the folder") << FileOperation::Lock << 0;
}

void TestFaultInjection::afterAFailedActionDeleteActsOnWhatIsShown()
{
    QFETCH(FileOperation, failing);
    QFETCH(int, deleted);
    const bool saveFailed = failing == FileOperation::Write;

    FaultyFileSystem fs;
    WindowFixture fx;
    fx.folder.writeRecords(Three);
    Form1x& w = fx.start(fs);
    if (saveFailed) {
        fx.click(w.BtnAdd);
        fx.clickListEntry(1);
        typeOver(w.TxtNick, QStringLiteral("Bobby"));
        typeOver(w.TxtAdPhon, QStringLiteral("5"));
    } else {
        fx.clickListEntry(0);
    }
    fs.failFirst([failing](const OperationRecord& op) { return op.kind == failing; });
    if (saveFailed)
        fx.click(w.BtnSave);
    else
        fx.clickListEntry(1);
    QCOMPARE(fx.dialogs->messages.size(), 1);
    fx.click(w.BtnDelete);
    QCOMPARE(fx.dialogs->messages.size(), 1);
    QCOMPARE(fx.folder.records(), deleted ? without(Three, deleted) : Three);
}

QTEST_MAIN(TestFaultInjection)
#include "tst_fault_injection.moc"
