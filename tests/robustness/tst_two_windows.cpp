// Two windows on one folder, each in a process of its own: no action of one loses a record
// that the other wrote. The test binary is also the second program: started with
// --window-process FOLDER it opens the real window on that folder and carries out commands
// read line by line from its standard input, answering each with the messages the window
// showed and "done". The test drives two such processes step by step through the
// interleavings that lose contacts when a window acts on what it read before the other one
// wrote, and then lets both run free at once and checks that every contact is accounted for.
#include "store/contact_record.h"
#include "store/file_system.h"
#include "support/data_folder.h"
#include "support/faulty_file_system.h"
#include "support/scripted_dialogs.h"
#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/form/form1x.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <string>

namespace {

// --- The window process ------------------------------------------------------------------

void say(const QString& line)
{
    std::cout << line.toStdString() << std::endl;
}

// The phone number of a contact follows from its nickname, so that the final file shows
// whether a record still holds what was saved under that nickname.
QString phoneFor(const QString& nick)
{
    QString digits;
    for (QChar c : nick)
        digits += c.isDigit() ? QString(c) : QString::number(c.unicode() % 10);
    return digits.left(20);
}

// The real file system, with every write to the scratch file of a deletion slowed down, so
// that a deletion takes long enough for the other window to try an action in the middle of it.
class SlowDeletions final : public store::FileSystem {
public:
    explicit SlowDeletions(int delayMs) : delay_(delayMs) {}

    std::unique_ptr<store::File> open(const std::string& name, store::OpenMode mode) override
    {
        auto file = real().open(name, mode);
        if (name != "dephone")
            return file;
        return std::make_unique<SlowFile>(std::move(file), delay_);
    }
    bool exists(const std::string& name) override { return real().exists(name); }
    bool isRegularFile(const std::string& name) override { return real().isRegularFile(name); }
    void rename(const std::string& from, const std::string& to) override
    {
        real().rename(from, to);
    }
    void remove(const std::string& name) override { real().remove(name); }
    void syncDirectory(const std::string& folder) override { real().syncDirectory(folder); }
    std::string linkTarget(const std::string& name) override { return real().linkTarget(name); }
    std::unique_ptr<store::FolderLock> lockFolder(const std::function<void()>& waiting) override
    {
        return real().lockFolder(waiting);
    }

private:
    class SlowFile final : public store::File {
    public:
        SlowFile(std::unique_ptr<store::File> file, int delayMs)
            : file_(std::move(file)), delay_(delayMs)
        {
        }
        std::uint64_t length() override { return file_->length(); }
        std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
        {
            return file_->readAt(offset, out);
        }
        void writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
        {
            QThread::msleep(static_cast<unsigned long>(delay_));
            file_->writeAt(offset, data);
        }
        void sync() override { file_->sync(); }
        void close() override { file_->close(); }

    private:
        std::unique_ptr<store::File> file_;
        int delay_;
    };

    static store::FileSystem& real() { return store::posixFileSystem(); }
    int delay_;
};

class WindowProcess {
public:
    explicit WindowProcess(store::FileSystem& fileSystem)
    {
        auto dialogs = std::make_unique<ScriptedDialogs>();
        dialogs_ = dialogs.get();
        window_ = std::make_unique<Form1x>(fileSystem, std::move(dialogs));
        window_->show();
        if (!QTest::qWaitForWindowExposed(window_.get()))
            qWarning("the window was not exposed");
        window_->activateWindow();
    }

    // Carries out one command; returns false for "quit".
    bool carryOut(const QString& line)
    {
        const qsizetype seen = dialogs_->messages.size();
        const QStringList words = line.split(' ');
        const QString& command = words.value(0);
        bool goOn = true;
        if (command == "add")
            add(words.value(1));
        else if (command == "save")
            click(w().BtnSave);
        else if (command == "click")
            pick(words.value(1));
        else if (command == "edit")
            click(w().BtnUpdate);
        else if (command == "city")
            retype(w().TxtAdAdd, words.value(1));
        else if (command == "delete")
            click(w().BtnDelete);
        else if (command == "tab")
            clickTab(words.value(1));
        else if (command == "run")
            run(words.value(1).toULongLong(), words.value(2).toInt(), words.value(3));
        else if (command == "quit") {
            click(w().BtnExit);
            goOn = false;
        } else
            say("unknown command " + command);
        // During a run each step reports its own messages.
        if (command != "run") {
            for (qsizetype i = seen; i < dialogs_->messages.size(); ++i)
                say("message: " + QString(dialogs_->messages[i]).replace('\n', ' '));
        }
        say("done");
        return goOn;
    }

private:
    Form1x& w() { return *window_; }

    static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    void clickTab(const QString& caption)
    {
        TabStrip* tabs = w().TabStrip1;
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == caption)
                QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
        }
    }

    // ADD NEW, then the nickname and its phone number typed in; SAVE is a command of its own.
    void add(const QString& nick)
    {
        if (!w().BtnAdd->isEnabled())
            clickTab("*"); // an entry left over from a refused SAVE starts afresh
        if (w().BtnAdd->isEnabled())
            click(w().BtnAdd);
        retype(w().TxtNick, nick);
        retype(w().TxtAdPhon, phoneFor(nick));
    }

    bool pick(const QString& nick)
    {
        ListBox* list = w().ListNick;
        for (int row = 0; row < list->count(); ++row) {
            if (list->itemText(row).trimmed() != nick)
                continue;
            const QModelIndex index = list->model()->index(row, 0);
            list->scrollTo(index);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(index).center());
            return true;
        }
        say("absent " + nick);
        return false;
    }

    // Appends, deletes and edits at random, reporting each one that went through and each
    // refusal with its message.
    void run(std::uint64_t seed, int count, const QString& name)
    {
        std::mt19937_64 random(seed);
        const auto roll = [&](int n) {
            return std::uniform_int_distribution<int>(0, n - 1)(random);
        };
        for (int i = 1; i <= count; ++i) {
            const qsizetype seen = dialogs_->messages.size();
            const auto news = [&] {
                return QStringList(dialogs_->messages.mid(seen)).join(" | ").replace('\n', ' ');
            };
            const int what = roll(20);
            if (what < 9) {
                const QString nick = QStringLiteral("%1%2").arg(name).arg(i, 4, 10, QChar('0'));
                add(nick);
                click(w().BtnSave);
                say(news().isEmpty() ? "added " + nick : "refused " + nick + ": " + news());
            } else if (what < 19) {
                const bool edit = what >= 14;
                if (edit && !w().BtnUpdate->isEnabled())
                    clickTab("*");
                ListBox* list = w().ListNick;
                if (list->count() == 0)
                    continue;
                const QString nick = list->itemText(roll(int(list->count()))).trimmed();
                pick(nick);
                if (!news().isEmpty()) {
                    say("refused " + nick + ": " + news());
                    continue;
                }
                if (!edit) {
                    click(w().BtnDelete);
                    say(news().isEmpty() ? "deleted " + nick : "refused " + nick + ": " + news());
                    continue;
                }
                click(w().BtnUpdate);
                if (!news().isEmpty() || w().BtnUpdate->isEnabled()) {
                    say("refused " + nick + ": " + news());
                    continue;
                }
                const QString edited = w().TxtNick->text().trimmed();
                const QString city = QStringLiteral("C%1%2").arg(name).arg(i);
                retype(w().TxtAdAdd, city);
                click(w().BtnSave);
                say(news().isEmpty() ? "edited " + edited + " " + city
                                     : "refused " + edited + ": " + news());
            } else {
                clickTab("*");
            }
        }
    }

    ScriptedDialogs* dialogs_ = nullptr;
    std::unique_ptr<Form1x> window_;
};

int runWindowProcess(const QString& folder, int slowDeletionMs)
{
    hidePlatformNotes();
    if (!QDir::setCurrent(folder)) {
        say("cannot enter " + folder);
        return 2;
    }
    SlowDeletions slow(slowDeletionMs);
    WindowProcess process(slowDeletionMs > 0 ? static_cast<store::FileSystem&>(slow)
                                             : store::posixFileSystem());
    say("ready");
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!process.carryOut(QString::fromStdString(line)))
            break;
    }
    return 0;
}

// --- The test's side ------------------------------------------------------------------------

// One window in a process of its own, on the folder.
class OtherWindow {
public:
    // A window whose deletions write their scratch file slowly, slowDeletionMs for each write.
    explicit OtherWindow(const QString& folder, int slowDeletionMs = 0)
    {
        process_.setProgram(QCoreApplication::applicationFilePath());
        process_.setArguments(
            {QStringLiteral("--window-process"), folder, QString::number(slowDeletionMs)});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(30000))
            qFatal("the window process did not start");
        const QStringList greeting = readUntil(QStringLiteral("ready"));
        if (!greeting.isEmpty())
            qWarning("the window process said %s", qPrintable(greeting.join('\n')));
    }

    ~OtherWindow()
    {
        if (process_.state() == QProcess::Running) {
            process_.write("quit\n");
            if (!process_.waitForFinished(30000))
                process_.kill();
        }
    }

    void send(const QString& command) { process_.write((command + '\n').toUtf8()); }

    // What the window answered to the command sent last.
    QStringList answer() { return readUntil(QStringLiteral("done")); }

    QStringList carryOut(const QString& command)
    {
        send(command);
        return answer();
    }

    bool quit()
    {
        carryOut(QStringLiteral("quit"));
        return process_.waitForFinished(30000) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }

private:
    QStringList readUntil(const QString& last)
    {
        QStringList lines;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (std::chrono::steady_clock::now() < giveUp) {
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).chopped(1);
                if (line == last)
                    return lines;
                lines.append(line);
            }
            if (!process_.waitForReadyRead(1000) && process_.state() != QProcess::Running)
                break;
        }
        lines.append(QStringLiteral("(no answer: the window process %1)")
                         .arg(process_.state() == QProcess::Running ? "hangs" : "ended"));
        return lines;
    }

    QProcess process_;
};

const QString OtherWindowSaid = QStringLiteral("another Zarvoth window");

// Contacts I000, I001, ... with the city "Start".
std::vector<store::ContactRecord> startingContacts(int count)
{
    std::vector<store::ContactRecord> records;
    for (int i = 0; i < count; ++i) {
        const QString nick = QStringLiteral("I%1").arg(i, 3, 10, QChar('0'));
        records.push_back(makeRecord(
            {.nick = nick.toStdString(), .city = "Start", .phone = phoneFor(nick).toStdString()},
            static_cast<std::int16_t>(i + 1)));
    }
    return records;
}

QString trimmed(std::string_view text)
{
    return QString::fromLatin1(store::trimBlanks(text).data(),
                               qsizetype(store::trimBlanks(text).size()));
}

// "nick:city" for every record of the file, in order; a record that holds anything but a
// contact as one of the windows saved it (its nickname, the phone number of that nickname,
// blank-padded texts, check values 0) shows as "damaged:" and its nickname.
QStringList contactsIn(const DataFolder& folder)
{
    QStringList contacts;
    for (const store::ContactRecord& record : folder.records()) {
        const QString nick = trimmed(record.Nick.text());
        store::ContactRecord expected =
            makeRecord({.nick = nick.toStdString(),
                        .city = std::string(store::trimBlanks(record.City.text())),
                        .phone = phoneFor(nick).toStdString()},
                       record.RecordNo);
        const bool whole = record == expected;
        contacts.append((whole ? QString() : QStringLiteral("damaged:")) + nick + ':' +
                        trimmed(record.City.text()));
    }
    if (folder.bytes().size() % qsizetype(store::RecordSize) != 0)
        contacts.append(QStringLiteral("a partial record"));
    return contacts;
}

} // namespace

class TestTwoWindows : public QObject {
    Q_OBJECT

private slots:
    void oneWindowLosesNothingThatTheOtherWrote_data();
    void oneWindowLosesNothingThatTheOtherWrote();
    void anActionWaitsUntilTheOtherWindowsActionHasEnded_data();
    void anActionWaitsUntilTheOtherWindowsActionHasEnded();
    void twoWindowsAtWorkAtOnceLoseNothing();
    void whatNeedsNoFileNeverWaitsForTheFolder();
};

void TestTwoWindows::oneWindowLosesNothingThatTheOtherWrote_data()
{
    // Each step is "A: command" or "B: command"; a step that ends in "=> refused" must be
    // refused with a message that names the other window, every other step must go through
    // without a message. The contacts at the start are I000 to I004, city "Start".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("contacts"); // the file at the end, "nick:city"

    const QStringList start = {"I000:Start", "I001:Start", "I002:Start", "I003:Start",
                               "I004:Start"};
    const auto with = [&](QStringList contacts, const QStringList& more) {
        return contacts << more;
    };
    const auto without = [&](QStringList contacts, const QString& nick) {
        contacts.removeIf([&](const QString& c) { return c.startsWith(nick + ':'); });
        return contacts;
    };
    const auto city = [&](QStringList contacts, const QString& nick, const QString& place) {
        for (QString& c : contacts) {
            if (c.startsWith(nick + ':'))
                c = nick + ':' + place;
        }
        return contacts;
    };

    QTest::newRow("a new contact is appended behind one the other window appended meanwhile")
        << QStringList{"A: add Anna", "B: add Bert", "B: save", "A: save"}
        << with(start, {"Bert:", "Anna:"});
    QTest::newRow("both windows append, each counting before the other saves")
        << QStringList{"A: add Anna", "B: add Bert", "A: save", "B: save",
                       "A: add Cleo", "B: add Dora", "B: save", "A: save"}
        << with(start, {"Anna:", "Bert:", "Dora:", "Cleo:"});
    QTest::newRow("a new contact after the other window deleted one")
        << QStringList{"A: add Anna", "B: click I001", "B: delete", "A: save"}
        << with(without(start, "I001"), {"Anna:"});
    QTest::newRow("DELETE after the other window appended")
        << QStringList{"A: click I003", "B: add Bert", "B: save", "A: delete"}
        << with(without(start, "I003"), {"Bert:"});
    QTest::newRow("DELETE after the other window deleted a contact before it")
        << QStringList{"A: click I003", "B: click I001", "B: delete", "A: delete => refused"}
        << without(start, "I001");
    QTest::newRow("DELETE of a contact the other window deleted first")
        << QStringList{"A: click I003", "B: click I003", "B: delete", "A: delete => refused"}
        << without(start, "I003");
    QTest::newRow("DELETE of the last contact after the other window deleted one")
        << QStringList{"A: click I004", "B: click I000", "B: delete", "A: delete => refused"}
        << without(start, "I000");
    QTest::newRow("picking a contact the other window deleted")
        << QStringList{"B: click I002", "B: delete", "A: click I002 => refused", "A: delete"}
        << without(start, "I002");
    QTest::newRow("EDIT after the other window deleted a contact before it")
        << QStringList{"A: click I003",      "B: click I000", "B: delete",
                       "A: edit => refused", "A: city Bern",  "A: save"}
        << without(start, "I000");
    QTest::newRow("SAVE of an edit after the other window appended")
        << QStringList{"A: click I003", "A: edit", "A: city Bern",
                       "B: add Bert",   "B: save", "A: save"}
        << with(city(start, "I003", "Bern"), {"Bert:"});
    QTest::newRow("SAVE of an edit after the other window deleted a contact before it")
        << QStringList{"A: click I003", "A: edit",   "A: city Bern",
                       "B: click I001", "B: delete", "A: save => refused"}
        << without(start, "I001");
    QTest::newRow("SAVE of an edit after the other window deleted that contact")
        << QStringList{"A: click I004", "A: edit",   "A: city Bern",
                       "B: click I004", "B: delete", "A: save => refused"}
        << without(start, "I004");
    QTest::newRow("SAVE of an edit after the other window saved its own edit of it")
        << QStringList{"A: click I002", "A: edit",      "A: city Bern", "B: click I002",
                       "B: edit",       "B: city Lyon", "B: save",      "A: save => refused"}
        << city(start, "I002", "Lyon");
    QTest::newRow("SAVE of an edit moved to another contact by a pick, after an append")
        << QStringList{"A: click I001", "A: edit", "A: click I003", "A: city Bern",
                       "B: add Bert",   "B: save", "A: save"}
        << with(city(start, "I003", "Bern"), {"Bert:"});
}

void TestTwoWindows::oneWindowLosesNothingThatTheOtherWrote()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, contacts);

    DataFolder folder;
    folder.writeRecords(startingContacts(5));
    std::map<QString, std::unique_ptr<OtherWindow>> windows;
    windows["A"] = std::make_unique<OtherWindow>(folder.path());
    windows["B"] = std::make_unique<OtherWindow>(folder.path());

    static const QRegularExpression form(QStringLiteral("^(A|B): (.*?)( => refused)?$"));
    for (const QString& step : steps) {
        const QRegularExpressionMatch parts = form.match(step);
        QVERIFY2(parts.hasMatch(), qPrintable(step));
        const QStringList answer = windows[parts.captured(1)]->carryOut(parts.captured(2));
        const QString said = answer.join(" / ");
        if (parts.hasCaptured(3)) {
            QVERIFY2(answer.size() == 1 && answer[0].startsWith("message: ") &&
                         answer[0].contains(OtherWindowSaid),
                     qPrintable(step + " answered: " + said));
        } else {
            QVERIFY2(answer.isEmpty(), qPrintable(step + " answered: " + said));
        }
    }
    QVERIFY(windows["A"]->quit());
    QVERIFY(windows["B"]->quit());
    QCOMPARE(contactsIn(folder), contacts);
    QVERIFY(!folder.exists(QStringLiteral("dephone")));
}

void TestTwoWindows::anActionWaitsUntilTheOtherWindowsActionHasEnded_data()
{
    // While B's DELETE copies the contacts to the scratch file, A tries an action that writes:
    // without the folder held for the whole of each action, A would write to the data file
    // that B is about to replace, and what A wrote would be gone.
    QTest::addColumn<QStringList>("prepareA");
    QTest::addColumn<QString>("actionOfA");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QStringList>("contacts");

    const QStringList left = {"I000:Start", "I002:Start", "I003:Start", "I004:Start"};
    QTest::newRow("SAVE of a new contact")
        << QStringList{"add Anna"} << "save" << false << (QStringList(left) << "Anna:");
    // Once the deletion has ended, the contact A edits is no longer where A read it.
    QTest::newRow("SAVE of an edit")
        << QStringList{"click I004", "edit", "city Bern"} << "save" << true << left;
    QTest::newRow("DELETE") << QStringList{"click I003"} << "delete" << true << left;
}

void TestTwoWindows::anActionWaitsUntilTheOtherWindowsActionHasEnded()
{
    QFETCH(QStringList, prepareA);
    QFETCH(QString, actionOfA);
    QFETCH(bool, refused);
    QFETCH(QStringList, contacts);

    DataFolder folder;
    folder.writeRecords(startingContacts(5));
    OtherWindow a(folder.path());
    OtherWindow b(folder.path(), 1000);
    for (const QString& command : prepareA)
        QCOMPARE(a.carryOut(command), QStringList());
    QCOMPARE(b.carryOut(QStringLiteral("click I001")), QStringList());

    b.send(QStringLiteral("delete"));
    // The scratch file is there only while B's deletion runs.
    QTRY_VERIFY_WITH_TIMEOUT(folder.exists(QStringLiteral("dephone")), 10000);
    const QStringList answerOfA = a.carryOut(actionOfA);
    const bool deletionEnded = !folder.exists(QStringLiteral("dephone"));
    QCOMPARE(b.answer(), QStringList());

    QCOMPARE(contactsIn(folder), contacts);
    QVERIFY2(deletionEnded, "A's action ended while B's deletion was still running");
    if (refused)
        QVERIFY2(answerOfA.size() == 1 && answerOfA[0].contains(OtherWindowSaid),
                 qPrintable(answerOfA.join(" / ")));
    else
        QCOMPARE(answerOfA, QStringList());
    QVERIFY(a.quit());
    QVERIFY(b.quit());
}

void TestTwoWindows::twoWindowsAtWorkAtOnceLoseNothing()
{
    bool given = false;
    std::uint64_t seed = qEnvironmentVariable("ZARVOTH_RANDOM_SEED").toULongLong(&given);
    if (!given)
        seed =
            static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    const int steps = 300;
    qInfo("two windows: seed %llu, %d steps each", static_cast<unsigned long long>(seed), steps);

    DataFolder folder;
    folder.writeRecords(startingContacts(12));
    OtherWindow a(folder.path());
    OtherWindow b(folder.path());
    a.send(QStringLiteral("run %1 %2 A").arg(seed).arg(steps));
    b.send(QStringLiteral("run %1 %2 B").arg(seed + 1).arg(steps));
    const QStringList reports = a.answer() + b.answer();
    QVERIFY(a.quit());
    QVERIFY(b.quit());

    // Every contact that was there or was added is in the file, once, unless a window
    // deleted exactly it; its city is the one it started with or one an edit gave it.
    std::set<QString> expected;
    std::map<QString, std::set<QString>> cities;
    for (const auto& record : startingContacts(12)) {
        expected.insert(trimmed(record.Nick.text()));
        cities[trimmed(record.Nick.text())].insert(QStringLiteral("Start"));
    }
    // Each window reports in its own order; a contact is added before anyone can delete it.
    int added = 0, deleted = 0, edited = 0, refused = 0;
    for (const QString& report : reports) {
        const QStringList words = report.split(' ');
        if (words[0] == "added") {
            QVERIFY2(expected.insert(words[1]).second, qPrintable("added twice: " + report));
            cities[words[1]].insert(QString());
            ++added;
        }
    }
    for (const QString& report : reports) {
        const QStringList words = report.split(' ');
        if (words[0] == "added") {
            continue;
        } else if (words[0] == "deleted") {
            QVERIFY2(expected.erase(words[1]) == 1,
                     qPrintable("deleted what was not there: " + report));
            ++deleted;
        } else if (words[0] == "edited") {
            cities[words[1]].insert(words[2]);
            ++edited;
        } else if (words[0] == "refused") {
            // A refusal must say why, in words the user can act on.
            QVERIFY2(report.contains(OtherWindowSaid) || report.contains("nickname already"),
                     qPrintable(report));
            ++refused;
        } else {
            QFAIL(qPrintable("an unexpected report: " + report));
        }
    }
    const QStringList found = contactsIn(folder);
    std::set<QString> stored;
    for (const QString& contact : found) {
        const QString nick = contact.section(':', 0, 0);
        const QString place = contact.section(':', 1);
        QVERIFY2(!contact.startsWith("damaged") && !contact.startsWith("a partial"),
                 qPrintable(contact));
        QVERIFY2(stored.insert(nick).second, qPrintable("stored twice: " + nick));
        QVERIFY2(expected.count(nick) == 1, qPrintable("stored although deleted: " + nick));
        QVERIFY2(cities[nick].count(place) == 1,
                 qPrintable("a city no window gave " + nick + ": " + place));
    }
    for (const QString& nick : expected)
        QVERIFY2(stored.count(nick) == 1, qPrintable("lost: " + nick));
    QVERIFY(!folder.exists(QStringLiteral("dephone")));
    qInfo("two windows: %d added, %d deleted, %d edited, %d refused; %zu contacts at the end",
          added, deleted, edited, refused, stored.size());
}

// Another window keeps the folder the whole time: start-up cannot read the contacts and says
// so once, not again for each rule that runs while the window is set up; the boxes' key,
// change and focus rules, the credit line and EXIT still work, and none of them asks for the
// folder.
void TestTwoWindows::whatNeedsNoFileNeverWaitsForTheFolder()
{
    FaultyFileSystem fs;
    fs.failEvery([](const OperationRecord& op) { return op.kind == FileOperation::Lock; });
    WindowFixture fx;
    fx.folder.writeRecords(startingContacts(2));
    Form1x& w = fx.start(fs);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(fx.dialogs->messages.size(), 1);
    QCOMPARE(fs.failures(), 1);

    fx.type(w.TxtAdName, QStringLiteral("ann"));
    fx.type(w.TxtAdPhon, QStringLiteral("5x1"));
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w.Label1->mapToGlobal(QPointF(2, 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.Label1, &move);
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("Ann"));
    QCOMPARE(w.TxtAdPhon->text(), QStringLiteral("51"));
    QVERIFY(w.DialButton1->isVisible());
    fx.click(w.BtnExit);
    QVERIFY(!w.isVisible());
    QCOMPARE(fx.dialogs->messages.size(), 1);
    QCOMPARE(fs.failures(), 1);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc >= 4 && std::string(argv[1]) == "--window-process")
        return runWindowProcess(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    TestTwoWindows test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_two_windows.moc"
