// Long random sequences of user actions on the real window, over random data files. After
// every action the suite checks what the user and the data file would show: the program runs
// on, no data file is left open, no scratch file is left behind, every message is one of the
// program's own, the window is in one of its display states, the list offers only contacts
// that are stored, and the data file changed only as that action may change it: SAVE appends
// one record or rewrites the edited one in place, DELETE removes exactly the chosen contact,
// and nothing else writes at all. Whatever SAVE writes is the boxes' texts, trimmed and
// blank-padded, with check values 0 or 1.
//
// What SAVE and DELETE may do is worked out from what the window showed before the action,
// never from the window's own variables: which display state the boxes' locks show, which
// entry of the list was picked, and which stored contact the boxes held when EDIT opened it.
//
// ZARVOTH_RANDOM_SEED chooses the sequence (the seed is printed, so that a failing run can be
// repeated) and ZARVOTH_RANDOM_ACTIONS the number of actions, 20,000 when unset. Unset, the
// seed is a fixed one, so that every run of the test suite tries the same sequence and a
// failure there is never chance; `make test-random` takes a new seed from the clock each time.
#include "dialing/tel_uri.h"
#include "store/contact_record.h"
#include "support/open_files.h"
#include "support/record_bytes.h"
#include "support/stand_in_telephone.h"
#include "support/window_fixture.h"
#include "window/controls/dial_button.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/form/store_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QUrl>

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>

class TestRandomUse : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void randomActionsKeepEveryContact();

private:
    StandInTelephone telephone_;
};

namespace {

constexpr qsizetype Width = 129;

const QString NoNickName = QStringLiteral("Cannot Save without Nick Name");
const QString NotDialled = QStringLiteral(" was not dialled: it holds ");
const QString NoPhoneNumber = QStringLiteral("Cannot Save without phone number");
const QString NickInUse = QStringLiteral(
    "This nickname already existed, Add one or more charecter or number  to make it defrent");
const QString NotFound = QStringLiteral("Not Found");

struct Fault {
    QString what;
};

[[noreturn]] void fault(const QString& what)
{
    throw Fault{what};
}

std::uint64_t seedFromEnvironment()
{
    bool ok = false;
    const auto seed = qEnvironmentVariable("ZARVOTH_RANDOM_SEED").toULongLong(&ok);
    return ok ? seed : 20261208;
}

int actionsFromEnvironment()
{
    bool ok = false;
    const int actions = qEnvironmentVariableIntValue("ZARVOTH_RANDOM_ACTIONS", &ok);
    return ok && actions > 0 ? actions : 20000;
}

// --- The data file as bytes -----------------------------------------------------------------

int wholeRecords(const QByteArray& file)
{
    return static_cast<int>(file.size() / Width);
}

QByteArray trimmedBytes(QByteArray bytes)
{
    while (bytes.startsWith(' '))
        bytes.remove(0, 1);
    while (bytes.endsWith(' '))
        bytes.chop(1);
    return bytes;
}

// The fields of a record: offset and width, in the order of the seven boxes below.
struct Field {
    int offset;
    int width;
};
constexpr std::array<Field, 7> Fields = {{{2, 15},    // Nick
                                          {17, 25},   // FullName
                                          {42, 25},   // FamilyName
                                          {67, 25},   // City
                                          {92, 20},   // Phone
                                          {112, 10},  // StdCode
                                          {124, 3}}}; // Prefix
enum Box { Nick, FullName, FamilyName, City, Phone, StdCode, Prefix, BoxCount };

QByteArray trimmedField(const QByteArray& record, Box box)
{
    return trimmedBytes(record.mid(Fields[box].offset, Fields[box].width));
}

QString storedNickOf(const QByteArray& record)
{
    const QByteArray nick = record.mid(2, 15);
    return fromStore(std::string_view(nick.constData(), std::size_t(nick.size())));
}

// A box's text as it stands for a stored one: blanks trimmed off both ends, one byte per
// character.
QByteArray storedText(const QString& text)
{
    const std::string bytes = toStore(trimBlanks(text));
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// A text as SAVE must store it: no control character (only a damaged record brings one into a
// box), blanks trimmed off both ends.
QByteArray savedText(const QString& text)
{
    QString plain;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && !(c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            plain += c;
    }
    return storedText(plain);
}

// The refusal of a SAVE whose boxes hold characters the file cannot: the first such box, in
// the order of the window, and its characters, each once. Empty when there is none.
QString unstorableRefusal(const std::array<QString, BoxCount>& texts)
{
    const std::pair<Box, const char*> boxes[] = {
        {Nick, "Nick Name"}, {FullName, "Full Name"}, {FamilyName, "Family Name"}, {City, "City"},
        {Phone, "Phone"},    {Prefix, "Prefix"},      {StdCode, "STD Code"}};
    for (const auto& [box, name] : boxes) {
        QStringList lacking;
        for (const char32_t ch : texts[box].toUcs4()) {
            const QString character = QString::fromUcs4(&ch, 1);
            if (QChar::category(ch) != QChar::Other_Control && !toStoreExact(character) &&
                !lacking.contains(character))
                lacking.append(character);
        }
        if (!lacking.isEmpty())
            return QStringLiteral("Cannot Save: the %1 box holds characters that the contacts "
                                  "file cannot store: %2")
                .arg(QLatin1String(name), lacking.join(u' '));
    }
    return {};
}

// The bytes that decode to control characters: C0, DEL, and the five that Windows-1252
// leaves unassigned.
bool isControlByte(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// The last record whose trimmed nickname is the text, as a click on a list entry finds it.
std::optional<int> lastRecordNamed(const QByteArray& file, const QString& text)
{
    const std::optional<std::string> wanted = toStoreExact(trimBlanks(text));
    if (!wanted)
        return std::nullopt;
    const QByteArray nick(wanted->data(), qsizetype(wanted->size()));
    std::optional<int> found;
    for (int n = 1; n <= wholeRecords(file); ++n) {
        if (trimmedField(recordAt(file, n), Nick) == nick)
            found = n;
    }
    return found;
}

// A stored nickname as it would be saved again: what an edit that keeps it compares.
QByteArray savedNickOf(const QByteArray& record)
{
    return trimmedBytes(savedText(storedNickOf(record)).left(15));
}

QByteArray withoutRecord(const QByteArray& file, int removed)
{
    QByteArray rest;
    for (int n = 1; n <= wholeRecords(file); ++n) {
        if (n != removed)
            rest += recordAt(file, n);
    }
    return rest;
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

// --- What the window shows --------------------------------------------------------------------

enum class Mode { View, Entry, Edit, Closed };

const char* nameOf(Mode mode)
{
    switch (mode) {
    case Mode::View:
        return "record view";
    case Mode::Entry:
        return "entry";
    case Mode::Edit:
        return "edit";
    case Mode::Closed:
        return "closed";
    }
    return "?";
}

std::array<TextBox*, BoxCount> boxesOf(Form1x& w)
{
    return {w.TxtNick, w.TxtAdName, w.TxtAdFname, w.TxtAdAdd, w.TxtAdPhon, w.TxtCode, w.Txtprefx};
}

struct Screen {
    bool fileExists = false;
    QByteArray file;
    Mode mode = Mode::Closed;
    std::array<QString, BoxCount> texts;
    Qt::CheckState prefix = Qt::Unchecked;
    Qt::CheckState code = Qt::Unchecked;
    bool save = false, del = false, edit = false, add = false, exit = false;
    int selectedRow = -1;
    QString selectedText;
    QStringList list;
    qsizetype messages = 0;
    qsizetype calls = 0;
};

// The display state the locks of the boxes show: the record view leaves only the nickname
// box open, an entry opens all seven, an edit all but the prefix.
Mode modeOf(Form1x& w)
{
    if (!w.isVisible())
        return Mode::Closed;
    const auto boxes = boxesOf(w);
    std::array<bool, BoxCount> locked{};
    for (int i = 0; i < BoxCount; ++i)
        locked[i] = boxes[i]->isLocked();
    const auto othersLocked = [&](bool expected, int from, int to) {
        for (int i = from; i <= to; ++i) {
            if (locked[i] != expected)
                return false;
        }
        return true;
    };
    if (!locked[Nick] && othersLocked(true, FullName, Prefix))
        return Mode::View;
    if (othersLocked(false, Nick, Prefix))
        return Mode::Entry;
    if (othersLocked(false, Nick, StdCode) && locked[Prefix])
        return Mode::Edit;
    QString pattern;
    for (int i = 0; i < BoxCount; ++i)
        pattern += QStringLiteral("%1:%2 ").arg(boxes[i]->objectName(), locked[i] ? "L" : "o");
    fault(QStringLiteral("the boxes' locks show no display state: ") + pattern);
}

// --- Random contents -----------------------------------------------------------------------

const QStringList NickPool = {"Ace",   "ant",     "Bee",     "Velor", "Kip",   "Ulm",
                              "zed",   "Arvenid", "Ostra",   "Dunme", "Émile", "Ödön",
                              "Cy",    "Dee",     "Bo",      "al",    "Zoë",   "Ärger",
                              "Ω-man", "Nadia",   "Quentin", "Vel",   "1st",   "  Ace"};
const QStringList NamePool = {"Arvenid Velor", "Kip Ulm", "Ace Ant",   "Émile Zola", "",
                              "Mary",          "Jo",      "Bee Keeper"};
const QStringList FamilyPool = {"Dunmerevalosk", "Ulm", "Velor", "", "Zola", "Kip"};
const QStringList CityPool = {"Ostrevalind", "Bern", "", "Kip", "Lyon", "Velor", "São Paulo"};

class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}

    int between(int low, int high) // both included
    {
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }
    bool chance(double p) { return std::bernoulli_distribution(p)(engine_); }
    template <typename T> const T& pick(const QList<T>& items)
    {
        return items[between(0, int(items.size()) - 1)];
    }
    int weighted(std::initializer_list<int> weights)
    {
        int total = 0;
        for (int w : weights)
            total += w;
        int roll = between(0, total - 1);
        int index = 0;
        for (int w : weights) {
            if (roll < w)
                return index;
            roll -= w;
            ++index;
        }
        return index - 1;
    }
    QString letters(int length, const QString& alphabet)
    {
        QString text;
        for (int i = 0; i < length; ++i)
            text += alphabet[between(0, int(alphabet.size()) - 1)];
        return text;
    }
    QByteArray bytes(int length)
    {
        QByteArray out;
        for (int i = 0; i < length; ++i)
            out.append(static_cast<char>(between(0, 255)));
        return out;
    }

private:
    std::mt19937_64 engine_;
};

const QString Lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString Upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString Digits = QStringLiteral("0123456789");

QByteArray bytesOf(const QString& text)
{
    const std::string stored = toStore(text);
    return QByteArray(stored.data(), qsizetype(stored.size()));
}

std::int16_t randomCheckValue(Random& r)
{
    switch (r.weighted({45, 45, 4, 3, 3})) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return -1;
    default:
        return static_cast<std::int16_t>(r.between(-32768, 32767));
    }
}

// One record as a program of this kind would store it, or now and then a damaged one.
QByteArray randomRecord(Random& r, int position, const QStringList& nicksSoFar)
{
    if (r.chance(0.04))
        return r.bytes(int(Width)); // nothing but noise
    RecordBytes record;
    record.recordNo = static_cast<std::int16_t>(r.chance(0.8) ? position : r.between(-5, 40000));
    QString nick;
    if (!nicksSoFar.isEmpty() && r.chance(0.1))
        nick = r.pick(nicksSoFar); // the same nickname twice
    else if (r.chance(0.6))
        nick = r.pick(NickPool);
    else if (r.chance(0.05))
        nick = QString(); // a blank nickname
    else
        nick = r.letters(1, Upper + Lower) + r.letters(r.between(0, 16), Lower + Digits + " ");
    record.nick = bytesOf(nick);
    record.fullName = bytesOf(r.pick(NamePool));
    record.familyName = bytesOf(r.pick(FamilyPool));
    record.city = bytesOf(r.pick(CityPool));
    record.phone = bytesOf(r.chance(0.9) ? r.letters(r.between(1, 20), Digits)
                                         : r.pick(QStringList{"", "555-12 34", "+41 (0)"}));
    record.stdCode = bytesOf(r.chance(0.5) ? r.letters(r.between(0, 5), Digits) : QString());
    record.prefix = bytesOf(r.pick(QStringList{"", "0", "00", "9", "1 "}));
    record.useStdCode = randomCheckValue(r);
    record.usePrefix = randomCheckValue(r);
    QByteArray bytes = record.bytes();
    if (r.chance(0.05)) {
        // A field filled with bytes of any value, as another program or a bad disk may leave.
        const Field& field = Fields[r.between(0, BoxCount - 1)];
        bytes.replace(field.offset, field.width, r.bytes(field.width));
    }
    if (r.chance(0.03)) {
        // Texts filled with zero bytes instead of blanks.
        for (const Field& field : Fields) {
            for (int i = field.offset + field.width - 1; i >= field.offset && bytes[i] == ' '; --i)
                bytes[i] = '\0';
        }
    }
    return bytes;
}

// A data file: missing, empty, a few contacts or many, now and then with damaged records and a
// partial record at the end.
std::optional<QByteArray> randomFile(Random& r)
{
    const int shape = r.weighted({4, 4, 80, 12});
    if (shape == 0)
        return std::nullopt;
    QByteArray file;
    const int count = shape == 1 ? 0 : shape == 2 ? r.between(1, 30) : r.between(31, 250);
    QStringList nicks;
    for (int n = 1; n <= count; ++n) {
        const QByteArray record = randomRecord(r, n, nicks);
        nicks.append(fromStore(std::string_view(record.constData() + 2, 15)).trimmed());
        file += record;
    }
    if (r.chance(0.15))
        file += r.bytes(r.between(1, int(Width) - 1));
    return file;
}

// --- Keys ----------------------------------------------------------------------------------

struct Key {
    Qt::Key code = Qt::Key_unknown;
    QString text;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    QString clipboard; // put on the clipboard first, for a paste
    bool paste = false;

    QString describe() const
    {
        if (!text.isEmpty() && modifiers == Qt::NoModifier)
            return QStringLiteral("'%1'").arg(text);
        QString name = QKeySequence(code | modifiers).toString();
        if (paste)
            name += QStringLiteral(" of '%1'").arg(clipboard);
        return name;
    }
};

Key characterKey(QChar c)
{
    Key key;
    key.text = QString(c);
    if (c >= 'a' && c <= 'z')
        key.code = Qt::Key(Qt::Key_A + (c.unicode() - 'a'));
    else if (c >= 'A' && c <= 'Z') {
        key.code = Qt::Key(Qt::Key_A + (c.unicode() - 'A'));
        key.modifiers = Qt::ShiftModifier;
    } else if (c >= '0' && c <= '9')
        key.code = Qt::Key(Qt::Key_0 + (c.unicode() - '0'));
    else if (c == ' ')
        key.code = Qt::Key_Space;
    return key;
}

Key commandKey(Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    Key key;
    key.code = code;
    key.modifiers = modifiers;
    if (code == Qt::Key_Backspace)
        key.text = QStringLiteral("\b");
    else if (code == Qt::Key_Return)
        key.text = QStringLiteral("\r");
    else if (code == Qt::Key_Escape)
        key.text = QString(QChar(27));
    else if (code == Qt::Key_Tab)
        key.text = QStringLiteral("\t");
    return key;
}

void sendKey(QWidget* widget, const Key& key)
{
    if (key.paste)
        QGuiApplication::clipboard()->setText(key.clipboard);
    const bool shortcut = key.modifiers.testFlag(Qt::ControlModifier);
    QTest::sendKeyEvent(QTest::Click, widget, key.code, shortcut ? QString() : key.text,
                        key.modifiers);
}

// --- The user --------------------------------------------------------------------------------

enum class Kind { Other, Key, List, Edit, Save, Delete, Search, Dial, Exit, Undo };

class RandomUser {
public:
    RandomUser(std::uint64_t seed, StandInTelephone& telephone) : r_(seed), telephone_(telephone) {}

    void run(int actions)
    {
        while (done_ < actions) {
            startSession();
            const int length = r_.between(100, 900);
            for (int i = 0; i < length && done_ < actions; ++i)
                step();
            fixture_.reset();
        }
    }

    QString report() const
    {
        return QStringLiteral("%1 actions on %2 data files: %3 contacts added, %4 rewritten, "
                              "%5 deleted, %6 refusals with a message, %7 searches, %8 calls, "
                              "%9 restarts, %10 undone")
            .arg(done_)
            .arg(files_)
            .arg(appended_)
            .arg(rewritten_)
            .arg(deleted_)
            .arg(refusals_)
            .arg(searches_)
            .arg(dialled_)
            .arg(restarts_)
            .arg(undone_);
    }

    QString recentActions() const
    {
        QStringList lines;
        for (const QString& line : recent_)
            lines.append(line);
        return lines.join('\n');
    }

private:
    Form1x& w() { return fixture_->window(); }

    void note(const QString& what)
    {
        recent_.push_back(QStringLiteral("#%1 %2").arg(done_ + 1).arg(what));
        if (recent_.size() > 40)
            recent_.pop_front();
    }

    // --- Sessions ------------------------------------------------------------------------

    void startSession()
    {
        fixture_ = std::make_unique<WindowFixture>();
        ++files_;
        const std::optional<QByteArray> contents = randomFile(r_);
        if (contents)
            fixture_->folder.writeBytes(*contents);
        note(QStringLiteral("start on a new data file: %1")
                 .arg(contents ? QStringLiteral("%1 bytes").arg(contents->size())
                               : QStringLiteral("none")));
        const QByteArray before = contents.value_or(QByteArray());
        fixture_->start();
        forgetChoices();
        checkStartUp(before);
    }

    void restart()
    {
        fixture_->restart();
        ++restarts_;
        forgetChoices();
        checkStartUp(fixture_->folder.bytes());
    }

    void checkStartUp(const QByteArray& before)
    {
        // Start-up reads and counts; a missing file is created empty, and nothing else is
        // written.
        if (!fixture_->folder.exists(QStringLiteral("datphone")))
            fault(QStringLiteral("start-up left no data file"));
        if (fixture_->folder.bytes() != before)
            fault(QStringLiteral("start-up changed the data file"));
        const Screen now = capture();
        checkAlways(now, now);
        if (now.mode == Mode::Closed || now.mode == Mode::Edit)
            fault(QStringLiteral("start-up ends in the %1").arg(nameOf(now.mode)));
    }

    void forgetChoices()
    {
        undoable_.clear(); // a new window has no changes of its own to take back
        chosen_.reset();
        editing_.clear();
        plan_.clear();
    }

    // --- One action ----------------------------------------------------------------------

    void step()
    {
        const Screen before = capture();
        const Kind kind = act(before);
        Screen after = capture();
        checkAlways(before, after);
        checkChange(before, after, kind);
        follow(before, after, kind);
        ++done_;
        if (after.mode == Mode::Closed)
            restart();
    }

    Screen capture()
    {
        Screen s;
        s.fileExists = fixture_->folder.exists(QStringLiteral("datphone"));
        s.file = fixture_->folder.bytes();
        s.mode = modeOf(w());
        const auto boxes = boxesOf(w());
        for (int i = 0; i < BoxCount; ++i)
            s.texts[i] = boxes[i]->text();
        s.prefix = w().Chkprefx->checkState();
        s.code = w().Chkcode->checkState();
        s.save = w().BtnSave->isEnabled();
        s.del = w().BtnDelete->isEnabled();
        s.edit = w().BtnUpdate->isEnabled();
        s.add = w().BtnAdd->isEnabled();
        s.exit = w().BtnExit->isEnabled();
        s.selectedRow = w().ListNick->listIndex();
        s.selectedText = w().ListNick->selectedText();
        s.list = w().ListNick->items();
        s.messages = fixture_->dialogs->messages.size();
        s.calls = telephone_.calls.size();
        return s;
    }

    Kind act(const Screen& s)
    {
        if (!plan_.empty()) {
            const auto next = plan_.front();
            plan_.pop_front();
            return next(s);
        }
        switch (r_.weighted({30, 5, 4, 12, 6, 6, 4, 9, 5, 5, 3, 1, 1, 2, 8, 4, 3})) {
        case 0:
            planTyping(s, Box(r_.weighted({30, 8, 6, 6, 22, 5, 5})));
            return act(s);
        case 1:
            return clickBox();
        case 2:
            return clickCheckBox();
        case 3:
            return useList(s);
        case 4:
            return clickTab(s);
        case 5:
            return search(s);
        case 6:
            return clickAdd(s);
        case 7:
            return clickSave(s);
        case 8:
            return clickEdit(s);
        case 9:
            return clickDelete(s);
        case 10:
            return dial(s);
        case 11:
            note(QStringLiteral("EXIT%1").arg(s.exit ? "" : " (disabled)"));
            fixture_->click(w().BtnExit);
            return Kind::Exit;
        case 12:
            note(QStringLiteral("mouse over the credit label"));
            QTest::mouseMove(w().Label1, QPoint(3, 3));
            w().Label1->setMouseTracking(true);
            QTest::mouseMove(w().Label1, QPoint(6, 6));
            return Kind::Other;
        case 14:
            // A whole new contact: ADD NEW, a nickname, a number, perhaps more, SAVE.
            plan_.push_back([this](const Screen& now) { return clickAdd(now); });
            planTyping(s, Nick, r_.chance(0.7) ? freshNick() : QString());
            planTyping(s, Phone);
            if (r_.chance(0.5))
                planTyping(s, Box(r_.between(FullName, City)));
            plan_.push_back([this](const Screen& now) { return clickSave(now); });
            return act(s);
        case 15:
            // An edit of a picked contact: one box changed, SAVE.
            plan_.push_back([this](const Screen& now) { return pickListEntry(now); });
            plan_.push_back([this](const Screen& now) { return clickEdit(now); });
            planTyping(s, Box(r_.weighted({10, 20, 20, 20, 20, 10, 0})), {}, true);
            plan_.push_back([this](const Screen& now) { return clickSave(now); });
            return act(s);
        case 16:
            plan_.push_back([this](const Screen& now) { return pickListEntry(now); });
            plan_.push_back([this](const Screen& now) { return clickDelete(now); });
            return act(s);
        default: {
            QWidget* focus = QApplication::focusWidget();
            if (!focus || focus->window() != &w())
                focus = w().TxtNick;
            const bool back = r_.chance(0.3);
            note(QStringLiteral("%1 from %2").arg(back ? "Shift+Tab" : "Tab", focus->objectName()));
            QTest::keyClick(focus, back ? Qt::Key_Backtab : Qt::Key_Tab,
                            back ? Qt::ShiftModifier : Qt::NoModifier);
            return Kind::Other;
        }
        }
    }

    QString someStoredText(const Screen& s, Box box)
    {
        const int count = wholeRecords(s.file);
        if (count == 0)
            return r_.pick(NickPool);
        const QByteArray field = trimmedField(recordAt(s.file, r_.between(1, count)), box);
        return fromStore(std::string_view(field.constData(), std::size_t(field.size())));
    }

    QString randomWord(const Screen& s, Box box)
    {
        switch (box) {
        case Nick:
            switch (r_.weighted({30, 45, 5, 5, 5, 5, 5})) {
            case 0:
                return someStoredText(s, Nick);
            case 1:
                return r_.letters(1, Upper + Lower) + r_.letters(r_.between(1, 8), Lower + Digits);
            case 2:
                return QStringLiteral("  ");
            case 3:
                return r_.letters(r_.between(16, 20), Lower); // longer than the field
            case 4:
                return QStringLiteral("Жора");
            case 5:
                return QStringLiteral(" ") + r_.pick(NickPool) + QStringLiteral(" ");
            default:
                return r_.letters(1, Lower);
            }
        case Phone:
            return r_.chance(0.85) ? r_.letters(r_.between(1, 12), Digits)
                                   : r_.letters(r_.between(1, 5), Digits + "ab -+(#");
        case Prefix:
            return r_.pick(QStringList{"0", "00", "9", "1", "x"});
        case StdCode:
            return r_.letters(r_.between(1, 5), Digits);
        case FullName:
            return r_.chance(0.4) ? r_.pick(NamePool)
                                  : r_.letters(r_.between(1, 30), Lower + " éü");
        case FamilyName:
            return r_.chance(0.4) ? r_.pick(FamilyPool) : r_.letters(r_.between(1, 27), Lower);
        case City:
            return r_.chance(0.4) ? r_.pick(CityPool) : r_.letters(r_.between(1, 27), Lower);
        default:
            return QString();
        }
    }

    Kind clickAdd(const Screen& s)
    {
        note(QStringLiteral("ADD NEW%1").arg(s.add ? "" : " (disabled)"));
        fixture_->click(w().BtnAdd);
        return Kind::Other;
    }

    Kind clickSave(const Screen& s)
    {
        note(QStringLiteral("SAVE%1").arg(s.save ? "" : " (disabled)"));
        fixture_->click(w().BtnSave);
        return Kind::Save;
    }

    Kind clickEdit(const Screen& s)
    {
        note(QStringLiteral("EDIT%1").arg(s.edit ? "" : " (disabled)"));
        fixture_->click(w().BtnUpdate);
        return Kind::Edit;
    }

    Kind clickDelete(const Screen& s)
    {
        note(QStringLiteral("DELETE%1").arg(s.del ? "" : " (disabled)"));
        fixture_->click(w().BtnDelete);
        return Kind::Delete;
    }

    // A nickname that is most likely no stored one.
    QString freshNick()
    {
        return r_.letters(1, Upper) + r_.letters(r_.between(2, 10), Lower + Digits);
    }

    // A burst of keys into one box, each key one action: a word (the given one, if any),
    // editing keys, a paste.
    void planTyping(const Screen& s, Box box, const QString& word = {}, bool replace = false)
    {
        TextBox* const into = boxesOf(w())[box];
        const auto type = [this, into](const Key& key) {
            plan_.push_back([this, into, key](const Screen&) {
                note(QStringLiteral("key %1 into %2").arg(key.describe(), into->objectName()));
                into->setFocus();
                // Ctrl+Z in a box with no typing of its own to undo is the window's Undo, once
                // the keys go to the window (a menu closed on the offscreen platform leaves
                // itself the active window).
                const bool undoKey = key.code == Qt::Key_Z && key.modifiers == Qt::ControlModifier;
                if (undoKey && QApplication::activeWindow() != into->window()) {
                    into->window()->activateWindow();
                    QApplication::processEvents();
                }
                const bool windowUndo = undoKey && !into->isUndoAvailable() &&
                                        QApplication::activeWindow() == into->window();
                sendKey(into, key);
                return windowUndo ? Kind::Undo : Kind::Key;
            });
        };
        if (replace || !word.isEmpty() || r_.chance(0.25))
            type(commandKey(Qt::Key_A, Qt::ControlModifier)); // select all first
        const int kind = word.isEmpty() ? r_.weighted({70, 12, 8, 5, 5}) : 0;
        if (kind == 0) {
            for (QChar c : word.isEmpty() ? randomWord(s, box) : word)
                type(characterKey(c));
        } else if (kind == 1) {
            const Qt::Key editing[] = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left,
                                       Qt::Key_Right,     Qt::Key_Home,   Qt::Key_End,
                                       Qt::Key_Return,    Qt::Key_Escape, Qt::Key_Up};
            for (int i = r_.between(1, 4); i > 0; --i)
                type(commandKey(editing[r_.between(0, int(std::size(editing)) - 1)]));
        } else if (kind == 2) {
            Key paste = commandKey(Qt::Key_V, Qt::ControlModifier);
            paste.paste = true;
            paste.clipboard = randomWord(s, Box(r_.between(0, BoxCount - 1)));
            type(paste);
        } else if (kind == 3) {
            type(commandKey(r_.chance(0.5) ? Qt::Key_Z : Qt::Key_X,
                            Qt::ControlModifier)); // undo, cut
        } else {
            const QString odd[] = {QStringLiteral("é"), QStringLiteral("€"), QStringLiteral("ж"),
                                   QStringLiteral("ß"), QStringLiteral("\u00a0")};
            type(characterKey(odd[r_.between(0, int(std::size(odd)) - 1)][0]));
        }
    }

    Kind clickBox()
    {
        TextBox* box = boxesOf(w())[r_.weighted({40, 10, 10, 10, 10, 10, 10})];
        const QPoint at(r_.between(2, box->width() - 2), box->height() / 2);
        note(QStringLiteral("click in %1").arg(box->objectName()));
        QTest::mouseClick(box, Qt::LeftButton, {}, at);
        return Kind::Other;
    }

    Kind clickCheckBox()
    {
        QCheckBox* box = r_.chance(0.5) ? w().Chkprefx : w().Chkcode;
        note(QStringLiteral("click %1").arg(box->objectName()));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        return Kind::Other;
    }

    Kind pickListEntry(const Screen& s)
    {
        ListBox* list = w().ListNick;
        if (list->count() == 0)
            return useList(s);
        const int row = r_.between(0, list->count() - 1);
        note(QStringLiteral("click list entry %1 '%2'").arg(row).arg(s.list[row]));
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        return Kind::List;
    }

    Kind useList(const Screen& s)
    {
        ListBox* list = w().ListNick;
        const int count = list->count();
        const int how = r_.weighted({80, 8, 12});
        if (how == 0 && count > 0)
            return pickListEntry(s);
        if (how == 1) {
            note(QStringLiteral("click below the list's entries"));
            const QPoint at(6, list->viewport()->height() - 3);
            if (!list->indexAt(at).isValid())
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            return Kind::List;
        }
        const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End,
                                Qt::Key_PageDown};
        const Qt::Key key = keys[r_.between(0, int(std::size(keys)) - 1)];
        note(QStringLiteral("key %1 in the list").arg(QKeySequence(key).toString()));
        list->setFocus();
        QTest::keyClick(list, key);
        return Kind::List;
    }

    Kind clickTab(const Screen& s)
    {
        QString caption = QStringLiteral("*");
        if (r_.chance(0.35)) {
            const QString nick = someStoredText(s, Nick);
            if (!nick.isEmpty() && Upper.contains(nick[0].toUpper()))
                caption = nick[0].toUpper();
        } else if (r_.chance(0.5)) {
            caption = QString(Upper[r_.between(0, 25)]);
        }
        note(QStringLiteral("tab %1").arg(caption));
        fixture_->clickTab(caption);
        return Kind::Other;
    }

    Kind search(const Screen& s)
    {
        const int item = r_.between(0, 3);
        const Box field[] = {Nick, FullName, FamilyName, City};
        std::optional<QString> answer;
        switch (r_.weighted({15, 15, 45, 10, 10, 5})) {
        case 0:
            break; // OK on the default answer
        case 1:
            answer = QString(); // Cancel
            break;
        case 2:
            answer = someStoredText(s, field[item]);
            break;
        case 3: {
            QString text = someStoredText(s, field[item]);
            if (!text.isEmpty())
                text[0] = text[0].toLower(); // the search puts the capital back
            answer = text;
            break;
        }
        case 4:
            answer = someStoredText(s, field[item]) + QStringLiteral(" ");
            break;
        default:
            answer = QStringLiteral("Жора");
        }
        const bool dismiss = r_.chance(0.08);
        const QString caption = w().MnuMnu->actions().at(item)->text();
        note(QStringLiteral("Search, %1, answer %2")
                 .arg(dismiss ? QStringLiteral("menu dismissed") : caption,
                      answer ? QStringLiteral("'%1'").arg(*answer) : QStringLiteral("default")));
        fixture_->click(w().BtnSearch);
        if (!w().MnuMnu->isVisible())
            fault(QStringLiteral("Search did not open its menu"));
        if (dismiss) {
            QTest::keyClick(w().MnuMnu, Qt::Key_Escape);
            return Kind::Other;
        }
        if (answer)
            fixture_->dialogs->answer(*answer);
        ++searches_;
        QAction* action = w().MnuMnu->actions().at(item);
        QTest::mouseClick(w().MnuMnu, Qt::LeftButton, {},
                          w().MnuMnu->actionGeometry(action).center());
        if (!fixture_->dialogs->answers.empty())
            fault(QStringLiteral("choosing %1 asked for no answer").arg(caption));
        return Kind::Search;
    }

    Kind dial(const Screen& s)
    {
        if (!w().DialButton1->isVisible())
            return useList(s);
        note(QStringLiteral("press the dialer"));
        fixture_->click(w().DialButton1);
        return Kind::Dial;
    }

    // --- Checks --------------------------------------------------------------------------

    void checkAlways(const Screen& before, const Screen& after)
    {
        const QStringList open = openDataFiles();
        if (!open.isEmpty())
            fault(QStringLiteral("a data file is open after the action: ") + open.join(", "));
        if (fixture_->folder.exists(QStringLiteral("dephone")))
            fault(QStringLiteral("the scratch file \"dephone\" is left in the folder"));
        if (!after.fileExists)
            fault(QStringLiteral("there is no data file"));
        const QStringList& messages = fixture_->dialogs->messages;
        for (qsizetype i = before.messages; i < messages.size(); ++i) {
            // A refused number is checked in full by checkDial; a refusal of characters the
            // file cannot hold names them, so only its opening is fixed.
            if (!knownMessages().contains(messages[i]) && !messages[i].contains(NotDialled) &&
                !messages[i].startsWith(QLatin1String("Cannot Save: the ")) &&
                !messages[i].startsWith(QLatin1String("Could not undo: ")))
                fault(QStringLiteral("an unexpected message: ") + messages[i]);
        }
        if (QApplication::activePopupWidget())
            fault(QStringLiteral("a menu stayed open"));
        if (after.mode == Mode::Closed)
            return;

        // The dialer is there exactly while the phone box holds text.
        if (w().DialButton1->isVisible() == after.texts[Phone].isEmpty())
            fault(QStringLiteral("the dialer is %1 with the phone box holding '%2'")
                      .arg(w().DialButton1->isVisible() ? "shown" : "hidden", after.texts[Phone]));
        // The buttons follow the display state.
        if (after.mode == Mode::View && !(after.edit && after.add))
            fault(QStringLiteral("the record view without EDIT and ADD NEW"));
        if (after.mode == Mode::Edit && (after.edit || !after.save))
            fault(QStringLiteral("an edit with EDIT enabled or SAVE disabled"));
        if (after.mode == Mode::Entry && (after.edit || after.add))
            fault(QStringLiteral("an entry with EDIT or ADD NEW enabled"));

        // Every entry of the list is a stored nickname, as stored, in record order.
        int next = 1;
        for (const QString& entry : after.list) {
            while (next <= wholeRecords(after.file) &&
                   storedNickOf(recordAt(after.file, next)) != entry)
                ++next;
            if (next > wholeRecords(after.file))
                fault(QStringLiteral("the list offers '%1', which is not stored there").arg(entry));
            ++next;
        }
    }

    static const QStringList& knownMessages()
    {
        static const QStringList known = {NoNickName, NoPhoneNumber, NickInUse, NotFound};
        return known;
    }

    QStringList messagesOf(const Screen& before) const
    {
        return fixture_->dialogs->messages.mid(before.messages);
    }

    // The record SAVE must store from the boxes as they stood, as record n.
    static QByteArray recordFromScreen(const Screen& s, int n)
    {
        RecordBytes record;
        record.recordNo = static_cast<std::int16_t>(n);
        record.nick = savedText(s.texts[Nick]);
        record.fullName = savedText(s.texts[FullName]);
        record.familyName = savedText(s.texts[FamilyName]);
        record.city = savedText(s.texts[City]);
        record.phone = savedText(s.texts[Phone]);
        record.stdCode = savedText(s.texts[StdCode]);
        record.prefix = savedText(s.texts[Prefix]);
        record.useStdCode = s.code == Qt::Checked ? 1 : 0;
        record.usePrefix = s.prefix == Qt::Checked ? 1 : 0;
        return record.bytes();
    }

    static bool nickTakenBy(const QByteArray& file, const QByteArray& nick, int except)
    {
        for (int n = 1; n <= wholeRecords(file); ++n) {
            if (n != except && trimmedField(recordAt(file, n), Nick) == nick)
                return true;
        }
        return false;
    }

    void checkChange(const Screen& before, const Screen& after, Kind kind)
    {
        const bool unchanged = after.file == before.file;
        if (kind == Kind::Save && before.save) {
            checkSave(before, after);
            return;
        }
        if (kind == Kind::Delete && before.del) {
            checkDelete(before, after);
            return;
        }
        if (kind == Kind::Undo) {
            checkUndo(before, after);
            return;
        }
        if (!unchanged)
            fault(QStringLiteral("the data file changed (%1 bytes before, %2 after)")
                      .arg(before.file.size())
                      .arg(after.file.size()));
        if (kind == Kind::Search)
            checkSearch(before, after);
        if (kind == Kind::Dial)
            checkDial(before, after);
        if (kind == Kind::Exit && before.exit != (after.mode == Mode::Closed))
            fault(
                QStringLiteral("EXIT %1 the window").arg(before.exit ? "did not close" : "closed"));
    }

    void checkSave(const Screen& before, const Screen& after)
    {
        const QStringList messages = messagesOf(before);
        const bool inPlace = before.mode == Mode::Edit;
        const QByteArray nick = savedText(before.texts[Nick]).left(15);
        const QByteArray trimmedNick = trimmedBytes(nick);
        if (after.file == before.file && messages.isEmpty() && inPlace) {
            // An edit saved with nothing changed writes the same bytes again.
            for (int k : editing_) {
                if (recordAt(before.file, k) == recordFromScreen(before, k)) {
                    ++rewritten_;
                    return;
                }
            }
        }
        if (after.file == before.file) {
            // A refusal, with the message that says why.
            if (messages.size() != 1)
                fault(QStringLiteral("SAVE changed nothing and said %1").arg(messages.join(" / ")));
            QString why;
            if (trimmedNick.isEmpty())
                why = NoNickName;
            else if (before.texts[Phone].isEmpty())
                why = NoPhoneNumber;
            else if (why = unstorableRefusal(before.texts); why.isEmpty())
                why = NickInUse;
            if (messages.front() != why)
                fault(QStringLiteral("SAVE refused with '%1' where '%2' was due")
                          .arg(messages.front(), why));
            if (why == NickInUse) {
                bool keeps = false;
                for (int k : editing_)
                    keeps = keeps || savedNickOf(recordAt(before.file, k)) == trimmedNick;
                if ((inPlace && keeps) || !nickTakenBy(before.file, trimmedNick, 0))
                    fault(QStringLiteral("SAVE refused the nickname '%1', which is free")
                              .arg(before.texts[Nick]));
            }
            ++refusals_;
            return;
        }
        if (!messages.isEmpty())
            fault(QStringLiteral("SAVE stored and said ") + messages.join(" / "));
        if (trimmedNick.isEmpty() || before.texts[Phone].isEmpty())
            fault(QStringLiteral("SAVE stored a contact without nickname or phone number"));
        const int count = wholeRecords(before.file);
        if (!inPlace) {
            const QByteArray expected =
                before.file.left(count * Width) + recordFromScreen(before, count + 1);
            if (after.file != expected)
                fault(QStringLiteral("SAVE of a new contact did not append exactly its record: "
                                     "expected the last record %1, the file has %2 bytes ending %3")
                          .arg(hex(recordFromScreen(before, count + 1)))
                          .arg(after.file.size())
                          .arg(hex(after.file.right(Width))));
            if (nickTakenBy(before.file, trimmedNick, 0))
                fault(QStringLiteral("SAVE stored a second contact named '%1'")
                          .arg(before.texts[Nick]));
            checkWritten(recordAt(after.file, count + 1));
            ++appended_;
            return;
        }
        if (editing_.empty())
            fault(QStringLiteral("SAVE in an edit that the driver saw no contact open for"));
        for (int k : editing_) {
            QByteArray expected = before.file;
            expected.replace((k - 1) * Width, Width, recordFromScreen(before, k));
            if (after.file != expected)
                continue;
            const QByteArray oldNick = savedNickOf(recordAt(before.file, k));
            if (oldNick != trimmedNick && nickTakenBy(before.file, trimmedNick, k))
                fault(QStringLiteral("SAVE renamed a contact to the taken nickname '%1'")
                          .arg(before.texts[Nick]));
            checkWritten(recordAt(after.file, k));
            undoable_.push_back({before.file, after.file});
            ++rewritten_;
            return;
        }
        QStringList numbers;
        for (int k : editing_)
            numbers.append(QString::number(k));
        fault(
            QStringLiteral("SAVE of an edit did not rewrite exactly the edited record (one of %1) "
                           "with the boxes' texts; the file has %2 bytes, was %3")
                .arg(numbers.join(','))
                .arg(after.file.size())
                .arg(before.file.size()));
    }

    // Whatever the program stores is blank-padded text and check values 0 or 1.
    static void checkWritten(const QByteArray& record)
    {
        for (int at : {122, 127}) {
            if (!((record[at] == 0 || record[at] == 1) && record[at + 1] == 0))
                fault(QStringLiteral("a stored check value is not 0 or 1: ") + hex(record));
        }
        // Plain text padded with blanks: no zero fill, no control byte anywhere.
        for (const Field& field : Fields) {
            for (const char byte : record.mid(field.offset, field.width)) {
                if (isControlByte(byte))
                    fault(QStringLiteral("a stored text holds a control byte: ") + hex(record));
            }
        }
    }

    void checkDelete(const Screen& before, const Screen& after)
    {
        const QStringList messages = messagesOf(before);
        if (!chosen_)
            fault(QStringLiteral("DELETE was enabled with no contact chosen in the list"));
        const QByteArray expected = withoutRecord(before.file, *chosen_);
        if (after.file != expected)
            fault(QStringLiteral("DELETE did not remove exactly record %1 (the file has %2 bytes, "
                                 "was %3, %4 expected)")
                      .arg(*chosen_)
                      .arg(after.file.size())
                      .arg(before.file.size())
                      .arg(expected.size()));
        if (!messages.isEmpty())
            fault(QStringLiteral("DELETE said ") + messages.join(" / "));
        if (after.del)
            fault(QStringLiteral("DELETE stayed enabled after a deletion"));
        undoable_.push_back({before.file, after.file});
        ++deleted_;
    }

    // Undo takes back this window's latest DELETE or edit: right after it, the file is again
    // what it was before, its whole records; a change that is no longer there is refused with
    // a message and nothing is written.
    void checkUndo(const Screen& before, const Screen& after)
    {
        const QStringList messages = messagesOf(before);
        if (undoable_.empty()) {
            if (after.file != before.file || !messages.isEmpty())
                fault(QStringLiteral("Undo with nothing to undo changed the file or said %1")
                          .arg(messages.join(" / ")));
            return;
        }
        const auto [was, left] = undoable_.back();
        undoable_.pop_back();
        const auto whole = [](const QByteArray& file) {
            return file.left(wholeRecords(file) * Width);
        };
        if (after.file == before.file) {
            if (messages.size() != 1 ||
                !messages.front().startsWith(QLatin1String("Could not undo: ")))
                fault(QStringLiteral("Undo wrote nothing and said %1").arg(messages.join(" / ")));
            ++refusals_;
            return;
        }
        if (!messages.isEmpty())
            fault(QStringLiteral("Undo wrote and said ") + messages.join(" / "));
        if (before.file == left && after.file != whole(was))
            fault(QStringLiteral("Undo right after a change did not bring back the file as it "
                                 "was (the file has %1 bytes, was %2 before the change)")
                      .arg(after.file.size())
                      .arg(was.size()));
        if (std::abs(wholeRecords(after.file) - wholeRecords(before.file)) > 1)
            fault(QStringLiteral("Undo of one contact's change changed more than one record"));
        ++undone_;
    }

    void checkSearch(const Screen& before, const Screen& after)
    {
        const QStringList messages = messagesOf(before);
        if (messages == QStringList{NotFound}) {
            if (!after.list.isEmpty() || after.mode != Mode::Entry)
                fault(QStringLiteral("\"Not Found\" but the list holds %1 entries in the %2")
                          .arg(after.list.size())
                          .arg(nameOf(after.mode)));
        } else if (!messages.isEmpty() || after.list.isEmpty() || after.mode != Mode::View) {
            fault(QStringLiteral("a search ended with %1 entries in the %2, saying %3")
                      .arg(after.list.size())
                      .arg(nameOf(after.mode))
                      .arg(messages.join(" / ")));
        }
    }

    void checkDial(const Screen& before, const Screen& after)
    {
        // The number is what the boxes showed: prefix and STD code as ticked, then the phone.
        const QString number = (before.prefix == Qt::Checked ? before.texts[Prefix] : QString()) +
                               (before.code == Qt::Checked ? before.texts[StdCode] : QString()) +
                               before.texts[Phone];
        const QUrl uri = telUri(number);
        const qsizetype calls = after.calls - before.calls;
        if (uri.isEmpty() ? calls != 0 : calls != 1 || telephone_.calls.back() != uri)
            fault(QStringLiteral("the dialer placed %1 calls for '%2'").arg(calls).arg(number));
        // A number that is not called is refused with a word, naming each character that
        // cannot be dialled; a call goes out without one.
        const QStringList undialable = undialableCharacters(number);
        const QStringList said = messagesOf(before);
        bool named = said.size() == 1 && said.front().contains(NotDialled);
        for (const QString& ch : undialable)
            named = named && (said.front().contains(QStringLiteral("\"%1\"").arg(ch)) ||
                              !QChar::isPrint(ch.toUcs4().value(0)));
        if (uri.isEmpty() ? !named : !said.isEmpty())
            fault(QStringLiteral("a press on '%1' said: %2").arg(number, said.join(" / ")));
        if (after.exit)
            fault(QStringLiteral("EXIT is enabled right after a press of the dialer"));
        dialled_ += calls;
    }

    // --- What the driver remembers of the user's choices ----------------------------------

    void follow(const Screen& before, const Screen& after, Kind kind)
    {
        if (after.mode == Mode::Closed)
            return;
        if (after.file != before.file) {
            chosen_.reset();
            // An edit goes on over its contact wherever an Undo moved it, else over the one of
            // its nickname.
            if (kind == Kind::Undo && before.mode == Mode::Edit && after.mode == Mode::Edit)
                editing_ = followedContacts(before.file, after.file, editing_);
            else
                editing_.clear();
        }
        // A pick in the list chooses the last contact of that nickname, for DELETE and, during
        // an edit, as the contact the edit goes on with.
        if (kind == Kind::List && after.selectedRow != -1) {
            chosen_ = lastRecordNamed(after.file, after.selectedText);
            if (chosen_ && before.mode == Mode::Edit && after.mode == Mode::Edit)
                editing_ = {*chosen_};
        }
        if (!after.del)
            chosen_.reset();
        if (after.del && !chosen_)
            fault(QStringLiteral("DELETE is enabled with no stored contact chosen"));

        if (after.mode != Mode::Edit) {
            editing_.clear();
        } else if (before.mode != Mode::Edit) {
            if (kind != Kind::Edit)
                fault(QStringLiteral("the window turned to an edit without EDIT"));
            // EDIT opens a stored contact: the boxes hold its texts.
            editing_.clear();
            for (int n = 1; n <= wholeRecords(after.file); ++n) {
                const QByteArray record = recordAt(after.file, n);
                bool same = true;
                for (int b = 0; b < BoxCount && same; ++b)
                    same = trimmedField(record, Box(b)) ==
                           trimmedBytes(storedText(after.texts[b]).left(Fields[b].width));
                if (same)
                    editing_.push_back(n);
            }
            if (editing_.empty())
                fault(QStringLiteral("EDIT opened texts that no stored contact holds: '%1'")
                          .arg(QStringList(after.texts.begin(), after.texts.end()).join("' '")));
        }
    }

    static std::vector<int> followedContacts(const QByteArray& before, const QByteArray& after,
                                             const std::vector<int>& records)
    {
        std::vector<int> found;
        for (const bool byNick : {false, true}) {
            for (int k : records) {
                const QByteArray was = recordAt(before, k);
                for (int n = 1; n <= wholeRecords(after); ++n) {
                    const QByteArray now = recordAt(after, n);
                    if (byNick ? savedNickOf(now) == savedNickOf(was) : now.mid(2) == was.mid(2))
                        found.push_back(n);
                }
            }
            if (!found.empty())
                break;
        }
        return found;
    }

    Random r_;
    StandInTelephone& telephone_;
    std::unique_ptr<WindowFixture> fixture_;
    std::deque<std::function<Kind(const Screen&)>> plan_; // the next steps of a planned action
    std::optional<int> chosen_;                           // the record a DELETE must remove
    std::vector<int> editing_;   // the records an edit may be writing back to
    std::deque<QString> recent_; // the last actions, for the report of a failure
    // The file before and after each DELETE and edit this window made, the latest last.
    std::vector<std::pair<QByteArray, QByteArray>> undoable_;

    int done_ = 0;
    int files_ = 0;
    int appended_ = 0;
    int rewritten_ = 0;
    int deleted_ = 0;
    int refusals_ = 0;
    int searches_ = 0;
    qsizetype dialled_ = 0;
    int restarts_ = 0;
    int undone_ = 0;
};

} // namespace

void TestRandomUse::initTestCase()
{
    hidePlatformNotes();
}

void TestRandomUse::cleanupTestCase() {}

void TestRandomUse::randomActionsKeepEveryContact()
{
    const std::uint64_t seed = seedFromEnvironment();
    const int actions = actionsFromEnvironment();
    qInfo("random use: seed %llu, %d actions (ZARVOTH_RANDOM_SEED=%llu repeats this run)",
          static_cast<unsigned long long>(seed), actions, static_cast<unsigned long long>(seed));
    RandomUser user(seed, telephone_);
    try {
        user.run(actions);
    } catch (const Fault& fault) {
        QFAIL(qPrintable(QStringLiteral("%1\nseed %2; the last actions:\n%3")
                             .arg(fault.what)
                             .arg(seed)
                             .arg(user.recentActions())));
    }
    qInfo("%s", qPrintable(user.report()));
}

QTEST_MAIN(TestRandomUse)
#include "tst_random_use.moc"
