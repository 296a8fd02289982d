// Damaged and hostile data files: random bytes, zero and 0xFF bytes, control characters and
// the bytes 0x80 to 0x9F in every field, odd check-box values, lengths that are no whole
// number of records, markup, and a file past what the 16-bit record number can count. On
// each, the window starts and goes through every tab, list clicks, the four searches, the
// nickname box and the dialer; nothing crashes, what it shows is what the file holds, the
// dialer hands over only what can be dialled, and the file stays as it was, byte for byte.
#include "support/faulty_file_system.h"
#include "support/stand_in_telephone.h"
#include "support/window_fixture.h"

#include "store/fixed_text.h"
#include "store/store_error.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"
#include "window/form/first_character.h"
#include "window/form/store_text.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QUrl>

#include <random>

namespace {

int actionsRun = 0;
int filesTried = 0;

using Records = std::vector<store::ContactRecord>;

// A record of raw bytes: each text is put into its field as it is (cut to the width, blanks
// behind a shorter one), so it may hold any byte at all.
store::ContactRecord raw(std::int16_t recordNo, std::string_view nick, std::string_view fullName,
                         std::string_view familyName, std::string_view city, std::string_view phone,
                         std::string_view stdCode, std::int16_t useStdCode, std::string_view prefix,
                         std::int16_t usePrefix)
{
    store::ContactRecord record;
    record.RecordNo = recordNo;
    record.Nick.assign(nick);
    record.FullName.assign(fullName);
    record.FamilyName.assign(familyName);
    record.City.assign(city);
    record.Phone.assign(phone);
    record.StdCode.assign(stdCode);
    record.UseStdCode = useStdCode;
    record.Prefix.assign(prefix);
    record.UsePrefix = usePrefix;
    return record;
}

QByteArray randomBytes(std::uint32_t seed, int size)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = static_cast<char>(byte(generator));
    return bytes;
}

// `length` bytes taken in turn from `alphabet`, starting at `from`.
std::string cycled(std::string_view alphabet, std::size_t from, std::size_t length)
{
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text.push_back(alphabet[(from + i) % alphabet.size()]);
    return text;
}

std::string controlCharacters()
{
    std::string controls;
    for (int b = 0x00; b <= 0x1F; ++b)
        controls.push_back(static_cast<char>(b));
    controls.push_back('\x7F');
    return controls;
}

std::string upperControlBytes()
{
    std::string bytes;
    for (int b = 0x80; b <= 0x9F; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

// Every text field full of the alphabet's bytes, each record from another place in it; the
// phone numbers mix digits and the dialler's own signs in between.
QByteArray everyFieldFrom(std::string_view alphabet, int records)
{
    Records all;
    for (int i = 0; i < records; ++i) {
        const auto at = static_cast<std::size_t>(i * 7);
        std::string phone;
        for (std::size_t k = 0; k < 20; ++k)
            phone.push_back(k % 3 == 1 ? "0123456789+*#"[(k + at) % 13]
                                       : alphabet[(k + at) % alphabet.size()]);
        all.push_back(raw(static_cast<std::int16_t>(i + 1), cycled(alphabet, at, 15),
                          cycled(alphabet, at + 1, 25), cycled(alphabet, at + 2, 25),
                          cycled(alphabet, at + 3, 25), phone, cycled(alphabet, at + 4, 10), 1,
                          cycled(alphabet, at + 5, 3), 1));
    }
    return encoded(all);
}

// 100,000 contacts, past the 32,767 that the record's own 16-bit number can count: the
// numbers they carry wrap around, as a file written by another program may have them.
QByteArray hundredThousand()
{
    Records all;
    all.reserve(100000);
    for (int i = 1; i <= 100000; ++i) {
        const std::string n = std::to_string(i);
        const char initial = static_cast<char>((i % 2 ? 'A' : 'a') + i % 26);
        all.push_back(raw(static_cast<std::int16_t>(static_cast<std::uint16_t>(i)),
                          std::string(1, initial) + n, "Full " + n, "Family " + n, "City " + n, n,
                          "4" + std::to_string(i % 10), static_cast<std::int16_t>(i % 2), "0",
                          static_cast<std::int16_t>(i % 3 == 0)));
    }
    return encoded(all);
}

struct HostileFile {
    const char* name;
    QByteArray bytes;
};

std::vector<HostileFile> hostileFiles()
{
    std::vector<HostileFile> files;
    files.push_back({"no bytes", QByteArray()});
    files.push_back({"one byte", QByteArray(1, 'A')});
    files.push_back({"128 bytes", randomBytes(1, 128)});
    files.push_back({"130 bytes", randomBytes(2, 130)});
    files.push_back({"three records and 128 bytes", randomBytes(3, 3 * 129 + 128)});
    for (std::uint32_t seed = 10; seed < 18; ++seed) {
        const int size = static_cast<int>(129 * (seed - 8) + (seed * 37) % 129);
        files.push_back({"random bytes", randomBytes(seed, size)});
    }
    files.push_back({"all 0x00", QByteArray(3 * 129, '\x00')});
    files.push_back({"all 0xFF", QByteArray(3 * 129 + 5, '\xFF')});
    files.push_back({"control characters in every field", everyFieldFrom(controlCharacters(), 6)});
    files.push_back({"bytes 0x80 to 0x9F in every field", everyFieldFrom(upperControlBytes(), 6)});

    files.push_back({"markup and placeholders",
                     encoded({raw(1, "<b>x</b>", "<img src=\"file:///etc/passwd\">", "&Family",
                                  "%1 %2 %n", "<a href=x>5</a>", "<i>", 1, "&0", 1),
                              raw(2, "&Ann", "<script>alert(1)</script>", "\\x41", "%s%s%s",
                                  "1&2;3", "%1", 1, "<p>", 1),
                              raw(3, "%1", "<h1>Big</h1>", "<br>", "<table>", "tel:999", "\x1b[31m",
                                  1, "<", 1)})});

    Records odd;
    const std::int16_t values[][2] = {{-1, 2}, {2, 32767}, {32767, -1}, {-32768, 1}, {1, -32768}};
    for (std::size_t i = 0; i < std::size(values); ++i)
        odd.push_back(raw(static_cast<std::int16_t>(i + 1), "Odd" + std::to_string(i), "Full",
                          "Family", "City", "123", "47", values[i][0], "0", values[i][1]));
    files.push_back({"check-box values -1, 2, 32767 and -32768", encoded(odd)});

    files.push_back({"blank, leading-blank and repeated nicknames",
                     encoded({raw(1, "", "Blank", "", "", "1", "", 0, "", 0),
                              raw(2, "  ann", "Leading", "", "", "2", "", 0, "", 0),
                              raw(3, "ann", "Second", "", "", "3", "", 0, "", 0),
                              raw(4, "ann  ", "Third", "", "", "4", "", 0, "", 0),
                              raw(5, "   ", "Blanks", "", "", "", "", 0, "", 0)})});
    files.push_back({"100,000 records", hundredThousand()});
    return files;
}

Records wholeRecords(const QByteArray& bytes)
{
    Records records;
    for (qsizetype at = 0; at + qsizetype(store::RecordSize) <= bytes.size();
         at += store::RecordSize) {
        const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes.constData() + at);
        records.push_back(store::decodeRecord(
            std::span<const std::uint8_t, store::RecordSize>(begin, store::RecordSize)));
    }
    return records;
}

// The record numbers (from 1) that pass, in order.
std::vector<int> numbersWhere(const Records& records,
                              const std::function<bool(const store::ContactRecord&)>& passes)
{
    std::vector<int> numbers;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (passes(records[i]))
            numbers.push_back(static_cast<int>(i + 1));
    }
    return numbers;
}

QStringList entriesOf(const Records& records, const std::vector<int>& numbers)
{
    QStringList entries;
    for (int n : numbers)
        entries.append(fromStore(records[static_cast<std::size_t>(n - 1)].Nick.text()));
    return entries;
}

// The tab's letter or its small form, as the first byte of the nickname without its blanks.
bool filedUnder(const store::ContactRecord& record, char letter)
{
    const std::string_view first = record.Nick.trimmed().substr(0, 1);
    return first == std::string(1, letter) ||
           first == std::string(1, static_cast<char>(letter - 'A' + 'a'));
}

bool dialled(QChar ch)
{
    return (ch >= u'0' && ch <= u'9') || ch == u'+' || ch == u'*' || ch == u'#';
}

Qt::CheckState shownState(std::int16_t value)
{
    return value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked;
}

// How many descriptors of this process are open on the data or the scratch file.
int openDataFiles()
{
    int open = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System)) {
        const QString target = fd.symLinkTarget();
        if (target.endsWith(QLatin1String("/datphone")) ||
            target.endsWith(QLatin1String("/dephone")))
            ++open;
    }
    return open;
}

// Entries to click: the first, the middle and the last, and on a long list those on both
// sides of what a 16-bit record number can count.
std::vector<int> rowsToClick(int count)
{
    std::vector<int> rows;
    for (int row : {0, count / 2, count - 1, 32766, 32767, 65535}) {
        if (row >= 0 && row < count && std::find(rows.begin(), rows.end(), row) == rows.end())
            rows.push_back(row);
    }
    return rows;
}

// The real file system, where the data file may be read but not written, while the folder may
// be written: a file its owner made read-only.
class ReadOnlyDataFile final : public store::FileSystem {
public:
    std::unique_ptr<store::File> open(const std::string& name, store::OpenMode mode) override
    {
        auto file = real_.open(name, mode);
        if (name != "datphone")
            return file;
        return std::make_unique<ReadOnly>(std::move(file), name);
    }
    bool exists(const std::string& name) override { return real_.exists(name); }
    bool isRegularFile(const std::string& name) override { return real_.isRegularFile(name); }
    void rename(const std::string& from, const std::string& to) override { real_.rename(from, to); }
    void remove(const std::string& name) override { real_.remove(name); }
    void syncDirectory(const std::string& folder) override { real_.syncDirectory(folder); }
    std::string linkTarget(const std::string& name) override { return real_.linkTarget(name); }

private:
    class ReadOnly final : public store::File {
    public:
        ReadOnly(std::unique_ptr<store::File> real, std::string name)
            : real_(std::move(real)), name_(std::move(name))
        {
        }
        std::uint64_t length() override { return real_->length(); }
        std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
        {
            return real_->readAt(offset, out);
        }
        void writeAt(std::uint64_t, std::span<const std::uint8_t>) override
        {
            throw store::StoreError("write", name_, store::systemReason(EACCES));
        }
        void sync() override {}
        void close() override { real_->close(); }

    private:
        std::unique_ptr<store::File> real_;
        std::string name_;
    };

    store::FileSystem& real_ = store::posixFileSystem();
};

const QString BookFull =
    QStringLiteral("Cannot Save: the contact book is full. It holds at most 32767 contacts.");

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void everyActionLeavesTheFileAsItWas_data();
    void everyActionLeavesTheFileAsItWas();
    void aSaveTheRecordNumberCannotHoldWritesNothing_data();
    void aSaveTheRecordNumberCannotHoldWritesNothing();
    void aFileThatMayOnlyBeReadIsNeverChanged();

private:
    void goThroughEveryTab(WindowFixture& fx, const Records& records);
    void clickAndDial(WindowFixture& fx, const Records& records);
    void searchEveryField(WindowFixture& fx, const Records& records);
    void typeInTheNicknameBox(WindowFixture& fx, const Records& records);

    StandInTelephone telephone_;
};

void TestHostileFiles::initTestCase() {}

void TestHostileFiles::cleanupTestCase()
{
    qInfo("%d hostile files tried, %d user actions run on them", filesTried, actionsRun);
}

void TestHostileFiles::everyActionLeavesTheFileAsItWas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    int n = 0;
    for (const HostileFile& file : hostileFiles())
        QTest::addRow("%d %s (%lld bytes)", ++n, file.name,
                      static_cast<long long>(file.bytes.size()))
            << file.bytes;
}

void TestHostileFiles::everyActionLeavesTheFileAsItWas()
{
    QFETCH(QByteArray, bytes);
    const Records records = wholeRecords(bytes);
    QElapsedTimer timer;
    timer.start();

    WindowFixture fx;
    fx.folder.writeBytes(bytes);
    Form1x& w = fx.start();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    ++actionsRun;
    QCOMPARE(w.windowState().RecordCount, static_cast<int>(records.size()));
    QCOMPARE(fx.listEntries(),
             entriesOf(records, numbersWhere(records, [](const auto&) { return true; })));
    QCOMPARE(w.windowTitle(), QStringLiteral("KESTRANE"));

    // No data file stays open once an action has returned.
    QCOMPARE(openDataFiles(), 0);
    goThroughEveryTab(fx, records);
    QCOMPARE(openDataFiles(), 0);
    clickAndDial(fx, records);
    QCOMPARE(openDataFiles(), 0);
    searchEveryField(fx, records);
    QCOMPARE(openDataFiles(), 0);
    typeInTheNicknameBox(fx, records);
    QCOMPARE(openDataFiles(), 0);

    QCOMPARE(fx.folder.bytes(), bytes);
    QVERIFY(!fx.folder.exists(QStringLiteral("dephone")));
    for (const QString& message : fx.dialogs->messages)
        QCOMPARE(message, QStringLiteral("Not Found"));
    QCOMPARE(w.windowTitle(), QStringLiteral("KESTRANE"));

    // DELETE takes out the chosen contact and nothing else: every other record goes on byte
    // for byte, whatever it holds; only a partial record behind them is gone.
    if (!records.empty()) {
        fx.clickTab(QStringLiteral("*"));
        fx.clickListEntry(0);
        const int removed = w.windowState().CurrentRecord;
        fx.click(w.BtnDelete);
        actionsRun += 3;
        QByteArray expected = bytes.left(static_cast<qsizetype>(records.size() * 129));
        expected.remove((removed - 1) * 129, 129);
        QVERIFY(fx.folder.bytes() == expected);
        QCOMPARE(openDataFiles(), 0);
        QCOMPARE(fx.dialogs->messages.filter(QStringLiteral("Not Found")).size(),
                 fx.dialogs->messages.size());
    }
    ++filesTried;
    qInfo("%lld ms", static_cast<long long>(timer.elapsed()));
}

void TestHostileFiles::goThroughEveryTab(WindowFixture& fx, const Records& records)
{
    Form1x& w = fx.window();
    QStringList captions{QStringLiteral("*")};
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        captions.append(QString(QChar(letter)));
    captions.append(QStringLiteral("*"));

    for (const QString& caption : captions) {
        fx.clickTab(caption);
        ++actionsRun;
        const char letter = caption.at(0).toLatin1();
        const auto listed = numbersWhere(records, [&](const store::ContactRecord& record) {
            return caption == QLatin1String("*") || filedUnder(record, letter);
        });
        QCOMPARE(fx.listEntries(), entriesOf(records, listed));
        if (listed.empty()) {
            QVERIFY(w.windowState().IsNewEntry);
            QVERIFY(w.TxtNick->text().isEmpty());
            continue;
        }
        // The last listed contact, shown in the record view.
        QCOMPARE(w.windowState().CurrentRecord, listed.back());
        const auto& shown = records[static_cast<std::size_t>(listed.back() - 1)];
        QCOMPARE(w.TxtNick->text(), fromStore(shown.Nick.trimmed()));
        QCOMPARE(w.TxtAdPhon->text(), fromStore(shown.Phone.trimmed()));
        QCOMPARE(w.Txtprefx->text(), fromStore(shown.Prefix.text()));
        QCOMPARE(w.Chkprefx->checkState(), shownState(shown.UsePrefix));
        QCOMPARE(w.Chkcode->checkState(), shownState(shown.UseStdCode));
        QVERIFY(!w.windowState().IsNewEntry);
    }
}

void TestHostileFiles::clickAndDial(WindowFixture& fx, const Records& records)
{
    Form1x& w = fx.window();
    for (int row : rowsToClick(static_cast<int>(records.size()))) {
        fx.clickListEntry(row);
        ++actionsRun;
        QVERIFY(w.BtnDelete->isEnabled());
        const auto& clicked = records[static_cast<std::size_t>(row)];
        // The last record of that nickname is the one shown and current.
        const auto same = numbersWhere(records, [&](const store::ContactRecord& record) {
            return record.Nick.trimmed() == clicked.Nick.trimmed();
        });
        QCOMPARE(w.windowState().CurrentRecord, same.back());
        const auto& shown = records[static_cast<std::size_t>(same.back() - 1)];
        QCOMPARE(w.TxtNick->text(), fromStore(clicked.Nick.trimmed()));
        QCOMPARE(w.TxtAdName->text(), fromStore(shown.FullName.text()));
        QCOMPARE(w.TxtAdPhon->text(), fromStore(shown.Phone.text()));

        // Only a tick (the value 1) puts the prefix and the STD code in front.
        QCOMPARE(w.Chkprefx->checkState(), shownState(shown.UsePrefix));
        QCOMPARE(w.Chkcode->checkState(), shownState(shown.UseStdCode));
        const QString number =
            (shown.UsePrefix == 1 ? fromStore(shown.Prefix.text()) : QString()) +
            (shown.UseStdCode == 1 ? fromStore(shown.StdCode.trimmed()) : QString()) +
            fromStore(shown.Phone.text());
        QVERIFY(w.DialButton1->isVisible());
        telephone_.calls.clear();
        const qsizetype messagesBefore = fx.dialogs->messages.size();
        fx.click(w.DialButton1);
        ++actionsRun;
        QCOMPARE(w.DialButton1->NumberToDial, number);
        QString dialable;
        bool refused = false; // a character other than the blanks and separators left out
        for (QChar ch : number) {
            if (dialled(ch))
                dialable.append(ch);
            else if (!ch.isSpace() && !QStringLiteral("-.()").contains(ch))
                refused = true;
        }
        if (dialable.isEmpty() || refused) {
            QVERIFY(telephone_.calls.isEmpty());
            QCOMPARE(fx.dialogs->messages.size(), messagesBefore + 1);
            // Taken off once seen: the searches after this expect only their own word.
            QVERIFY(fx.dialogs->messages.takeLast().contains(QStringLiteral(" was not dialled: ")));
            continue;
        }
        QCOMPARE(fx.dialogs->messages.size(), messagesBefore);
        QCOMPARE(telephone_.calls.size(), 1);
        const QUrl call = telephone_.calls.front();
        QCOMPARE(call.scheme(), QStringLiteral("tel"));
        QCOMPARE(call.path(), dialable);
        QVERIFY(call.query().isEmpty() && call.fragment().isEmpty() && call.host().isEmpty());
    }
}

void TestHostileFiles::searchEveryField(WindowFixture& fx, const Records& records)
{
    Form1x& w = fx.window();
    struct Search {
        QAction* item;
        std::string_view (*field)(const store::ContactRecord&);
    };
    const Search searches[] = {
        {w.MnuNick, [](const store::ContactRecord& r) { return r.Nick.trimmed(); }},
        {w.MnuFName, [](const store::ContactRecord& r) { return r.FullName.trimmed(); }},
        {w.MnuFamily, [](const store::ContactRecord& r) { return r.FamilyName.trimmed(); }},
        {w.MnyCity, [](const store::ContactRecord& r) { return r.City.trimmed(); }},
    };
    for (const Search& search : searches) {
        // The value of the last contact, as the box would give it back, and a cancelled box.
        QStringList answers{QString()};
        if (!records.empty())
            answers.prepend(fromStore(search.field(records.back())));
        for (const QString& answer : answers) {
            const int messages = static_cast<int>(fx.dialogs->messages.size());
            fx.dialogs->answer(answer);
            search.item->trigger();
            ++actionsRun;
            const auto wanted = toStoreExact(withCapitalFirst(answer));
            const auto found = numbersWhere(records, [&](const store::ContactRecord& record) {
                return wanted && search.field(record) == *wanted;
            });
            QCOMPARE(fx.listEntries(), entriesOf(records, found));
            QCOMPARE(fx.dialogs->messages.size(), messages + (found.empty() ? 1 : 0));
            if (!found.empty())
                QCOMPARE(w.windowState().CurrentRecord, found.back());
        }
    }
}

void TestHostileFiles::typeInTheNicknameBox(WindowFixture& fx, const Records& records)
{
    Form1x& w = fx.window();
    fx.clickTab(QStringLiteral("*"));
    ++actionsRun;
    if (records.empty()) {
        QVERIFY(w.windowState().IsNewEntry);
        return;
    }
    w.TxtNick->setFocus();
    w.TxtNick->selectAll();
    QTest::keyClick(w.TxtNick, Qt::Key_A, Qt::NoModifier);
    ++actionsRun;
    const auto underA = numbersWhere(
        records, [](const store::ContactRecord& record) { return filedUnder(record, 'A'); });
    QCOMPARE(fx.listEntries(), entriesOf(records, underA));
    QCOMPARE(w.TxtNick->text(), QStringLiteral("a"));

    QTest::keyClick(w.TxtNick, Qt::Key_Backspace);
    fx.click(w.TxtNick);
    actionsRun += 2;
    QCOMPARE(fx.listEntries(), entriesOf(records, underA));
}

void TestHostileFiles::aSaveTheRecordNumberCannotHoldWritesNothing_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("edited"); // the record EDIT opens, or 0 for a new contact

    QTest::newRow("new contact behind 32,767") << 32767 << 0;
    QTest::newRow("new contact behind 100,000") << 100000 << 0;
    QTest::newRow("edit of record 40,000 of 100,000") << 100000 << 40000;
    QTest::newRow("edit of record 32,768 of 100,000") << 100000 << 32768;
}

void TestHostileFiles::aSaveTheRecordNumberCannotHoldWritesNothing()
{
    QFETCH(int, records);
    QFETCH(int, edited);

    const QByteArray bytes = hundredThousand().left(records * 129);
    FaultyFileSystem fs;
    WindowFixture fx;
    fx.folder.writeBytes(bytes);
    Form1x& w = fx.start(fs);
    if (edited == 0) {
        fx.click(w.BtnAdd);
        fx.type(w.TxtNick, QStringLiteral("Newest"));
        fx.type(w.TxtAdPhon, QStringLiteral("5"));
    } else {
        fx.clickListEntry(edited - 1);
        QCOMPARE(w.windowState().CurrentRecord, edited);
        fx.click(w.BtnUpdate);
        fx.type(w.TxtAdPhon, QStringLiteral("5"));
    }
    const QString typedNick = w.TxtNick->text();
    const QString typedPhone = w.TxtAdPhon->text();
    fs.restartCount();
    fx.click(w.BtnSave);

    QCOMPARE(fx.dialogs->messages, QStringList{BookFull});
    QVERIFY(fs.operationsOn(FileOperation::Write, "datphone").empty());
    QVERIFY(fs.openFiles().empty());
    QVERIFY(fx.folder.bytes() == bytes);
    // What was typed is still there, to be stored elsewhere or dropped.
    QCOMPARE(w.TxtNick->text(), typedNick);
    QCOMPARE(w.TxtAdPhon->text(), typedPhone);
    QVERIFY(w.windowState().IsNewEntry);
}

void TestHostileFiles::aFileThatMayOnlyBeReadIsNeverChanged()
{
    ReadOnlyDataFile fs;
    WindowFixture fx;
    const auto three = recordsNamed({"Ann", "Bob", "Cid"});
    const QByteArray bytes = encoded(three);
    fx.folder.writeBytes(bytes);
    Form1x& w = fx.start(fs);
    QCOMPARE(fx.listEntries().size(), 3);
    const QString denied = QString::fromStdString(store::systemReason(EACCES));
    const auto expectRefusal = [&](const char* what) {
        QCOMPARE(fx.dialogs->messages.size(), 1);
        const QString message = fx.dialogs->messages.takeFirst();
        QVERIFY2(message.contains(QLatin1String("write")) &&
                     message.contains(QLatin1String("\"datphone\"")) && message.contains(denied),
                 qPrintable(QString::fromLatin1(what) + QStringLiteral(": ") + message));
        QVERIFY(fx.folder.bytes() == bytes);
        QVERIFY(!fx.folder.exists(QStringLiteral("dephone")));
    };

    fx.clickListEntry(1);
    fx.click(w.BtnDelete);
    expectRefusal("DELETE");
    QCOMPARE(fx.listEntries().size(), 3);

    fx.click(w.BtnAdd);
    fx.type(w.TxtNick, QStringLiteral("Dot"));
    fx.type(w.TxtAdPhon, QStringLiteral("4"));
    fx.click(w.BtnSave);
    expectRefusal("SAVE new");

    fx.clickTab(QStringLiteral("*"));
    fx.click(w.BtnUpdate);
    fx.type(w.TxtAdPhon, QStringLiteral("9"));
    fx.click(w.BtnSave);
    expectRefusal("SAVE in place");
}

QTEST_MAIN(TestHostileFiles)
#include "tst_hostile_files.moc"
