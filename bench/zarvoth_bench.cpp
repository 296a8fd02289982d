// Times the window's actions on generated address books of 1,000, 8,000 and 32,767 contacts,
// beside two baselines measured in the same run: reading the whole file once, and writing and
// syncing it once. Each action is first run once untimed and its outcome checked (the list,
// the boxes, the file's bytes), so that no figure stands for an action that was refused or did
// nothing. Prints medians, 95th percentiles, ratios, growth, peak memory and the targets.
//
// ZARVOTH_BENCH_RUNS   runs per action (default 30)
// ZARVOTH_BENCH_SIZES  the address book sizes, e.g. "32767" (default "1000,8000,32767")
// ZARVOTH_BENCH_ONLY   only the actions whose name contains one of these texts, separated
//                      by "|", for profiling
#include "address_book.h"
#include "measure.h"
#include "window_driver.h"

#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/form/store_text.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t seed = 20261208;
constexpr int largest = 32767;
constexpr std::size_t recordSize = store::RecordSize;

enum class Baseline { None, Read, WriteSync };

// What the user is promised at 32,767 records, in milliseconds; DELETE's is worked out from
// the baselines.
enum class Target { None, Frame, TwoFrames, Save, Delete };

struct Action {
    const char* name;
    Baseline baseline;
    Target target;
};

const Action actions[] = {
    {"start-up to the record view", Baseline::Read, Target::TwoFrames},
    {"\"*\" tab", Baseline::Read, Target::TwoFrames},
    {"letter tab", Baseline::Read, Target::Frame},
    {"key release, one letter", Baseline::Read, Target::Frame},
    {"key release, whole nickname", Baseline::Read, Target::Frame},
    {"list click", Baseline::Read, Target::Frame},
    {"SAVE of a new contact", Baseline::WriteSync, Target::Save},
    {"EDIT and SAVE in place", Baseline::WriteSync, Target::Save},
    {"DELETE of record 1", Baseline::WriteSync, Target::Delete},
    {"Undo of a DELETE of record 1", Baseline::WriteSync, Target::Delete},
    {"search by nickname", Baseline::Read, Target::Frame},
    {"search by full name", Baseline::Read, Target::Frame},
    {"search by family name", Baseline::Read, Target::Frame},
    {"search by city", Baseline::Read, Target::Frame},
};

const char* const emptyStartUp = "start-up on an empty file";
const char* const readBaseline = "baseline: read the whole file";
const char* const writeBaseline = "baseline: write and sync the whole file";

struct Figures {
    std::map<std::string, Timing> timings;
};

bool wanted(const char* name)
{
    const QByteArray only = qgetenv("ZARVOTH_BENCH_ONLY");
    if (only.isEmpty())
        return true;
    for (const QByteArray& part : only.split('|')) {
        if (!part.isEmpty() && QByteArray(name).contains(part))
            return true;
    }
    return false;
}

[[noreturn]] void giveUp(const std::string& why)
{
    std::fprintf(stderr, "zarvoth_bench: %s\n", why.c_str());
    std::exit(1);
}

// One read of the whole file, the way a program that reads it in one pass would: open, size,
// read, close.
void readFileOnce(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        giveUp(std::string("cannot read ") + path);
    std::vector<char> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            giveUp(std::string("cannot read ") + path);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

QString listed(const store::ContactRecord& record)
{
    return fromStore(record.Nick.text());
}

QString trimmedText(std::string_view stored)
{
    return fromStore(store::trimBlanks(stored));
}

// The checks of one action's outcome; the first that fails names what the user would see.
class Outcome {
public:
    void expect(bool holds, const QString& what)
    {
        if (!holds && problem_.isEmpty())
            problem_ = what;
    }
    template <typename T> void expectEqual(const T& seen, const T& wanted, const char* what)
    {
        expect(seen == wanted, QStringLiteral("%1 is \"%2\", not \"%3\"")
                                   .arg(QLatin1String(what), describe(seen), describe(wanted)));
    }
    const QString& problem() const { return problem_; }

private:
    static QString describe(const QString& text) { return text; }
    static QString describe(int number) { return QString::number(number); }
    static QString describe(const QStringList& list)
    {
        return QStringLiteral("%1 entries").arg(list.size()) +
               (list.isEmpty() ? QString() : QStringLiteral(", the last \"%1\"").arg(list.last()));
    }

    QString problem_;
};

class Bench {
public:
    Bench(int records, int runs) : records_(records), runs_(runs) {}

    Figures run()
    {
        QTemporaryDir dir;
        if (!dir.isValid())
            giveUp("cannot make a folder for the data file");
        QDir::setCurrent(dir.path());
        book_ = generateAddressBook(records_, seed);
        full_ = dataFileBytes(book_);
        writeFileSynced("datphone", full_);

        if (wanted(readBaseline))
            figures_.timings[readBaseline] = measure(runs_, {}, [] { readFileOnce("datphone"); });
        if (wanted(writeBaseline)) {
            figures_.timings[writeBaseline] =
                measure(runs_, {}, [this] { writeFileSynced("baseline", full_); });
            ::unlink("baseline");
        }

        const int last = records_;
        time(
            "start-up to the record view", [this] { driver_.stop(); }, [this] { driver_.start(); },
            [=, this](Outcome& o) { expectAllListed(o, last); });
        // From a letter tab, so that the whole list is filled again, as when the user goes back
        // to every contact.
        time(
            "\"*\" tab",
            [this] {
                restore(full_);
                driver_.clickTab("M");
            },
            [this] { driver_.clickTab("*"); }, [=, this](Outcome& o) { expectAllListed(o, last); });

        const std::vector<int> underM = recordsWhere([](const store::ContactRecord& r) {
            const std::string_view nick = r.Nick.trimmed();
            return !nick.empty() && (nick[0] == 'M' || nick[0] == 'm');
        });
        time(
            "letter tab", [this] { restore(full_); }, [this] { driver_.clickTab("M"); },
            [=, this](Outcome& o) { expectListed(o, underM); });
        time(
            "key release, one letter", [this] { inRecordView("M"); },
            [this] { driver_.releaseKeyInNick(); },
            [=, this](Outcome& o) {
                expectListed(o, underM);
                o.expectEqual(w().TxtNick->text(), QStringLiteral("M"), "the nickname box");
            });

        const int middle = records_ / 2;
        const store::ContactRecord& middleRecord = record(middle);
        time(
            "key release, whole nickname",
            [&, this] { inRecordView(trimmedText(middleRecord.Nick.text())); },
            [this] { driver_.releaseKeyInNick(); },
            [&, this](Outcome& o) {
                o.expectEqual(w().TxtAdName->text(), fromStore(middleRecord.FullName.text()),
                              "the full name box");
                o.expectEqual(w().TxtAdPhon->text(), fromStore(middleRecord.Phone.text()),
                              "the phone box");
                o.expectEqual(int(w().windowState().CurrentRecord), last, "the current record");
            });

        time(
            "list click", [this] { restore(full_); }, [this] { driver_.clickListEntry(3); },
            [this](Outcome& o) {
                o.expectEqual(int(w().windowState().CurrentRecord), 4, "the current record");
                o.expectEqual(w().TxtNick->text(), trimmedText(record(4).Nick.text()),
                              "the nickname box");
                o.expect(w().BtnDelete->isEnabled(), "DELETE is disabled");
            });

        timeSave();
        timeEdit();
        timeDelete();
        timeUndoOfDelete();

        const auto searchFor = [&](const char* name, QAction* Form1x::*item, auto field) {
            const QString answer = trimmedText(field(middleRecord));
            const std::vector<int> found = recordsWhere([&](const store::ContactRecord& r) {
                return store::trimBlanks(field(r)) == store::trimBlanks(field(middleRecord));
            });
            time(
                name, [this] { restore(full_); }, [=, this] { driver_.search(w().*item, answer); },
                [=, this](Outcome& o) { expectListed(o, found); });
        };
        searchFor("search by nickname", &Form1x::MnuNick,
                  [](const store::ContactRecord& r) { return r.Nick.text(); });
        searchFor("search by full name", &Form1x::MnuFName,
                  [](const store::ContactRecord& r) { return r.FullName.text(); });
        searchFor("search by family name", &Form1x::MnuFamily,
                  [](const store::ContactRecord& r) { return r.FamilyName.text(); });
        searchFor("search by city", &Form1x::MnyCity,
                  [](const store::ContactRecord& r) { return r.City.text(); });

        driver_.stop();
        QDir::setCurrent(QDir::tempPath());
        return figures_;
    }

private:
    Form1x& w() { return driver_.window(); }
    const store::ContactRecord& record(int n) const { return book_[std::size_t(n - 1)]; }

    // Runs the action once untimed and checks its outcome, then times it. Whatever the
    // action, no message box may have come up.
    void time(const char* name, const std::function<void()>& prepare,
              const std::function<void()>& action, const std::function<void(Outcome&)>& check)
    {
        if (!wanted(name))
            return;
        const auto prepared = [&] {
            if (!driver_.running())
                driver_.start();
            if (prepare)
                prepare();
            if (driver_.running())
                settle();
        };
        const auto acted = [&] {
            action();
            settle();
        };
        prepared();
        const int messagesBefore = messages();
        acted();
        Outcome outcome;
        outcome.expect(
            messages() == messagesBefore,
            QStringLiteral("a message box came up: \"%1\"").arg(driver_.dialogs().lastMessage));
        if (outcome.problem().isEmpty())
            check(outcome);
        if (!outcome.problem().isEmpty())
            giveUp(QStringLiteral("%1 at %2 records did not do its work: %3")
                       .arg(QLatin1String(name))
                       .arg(records_)
                       .arg(outcome.problem())
                       .toStdString());

        const int messagesBeforeRuns = messages();
        figures_.timings[name] = measure(runs_, prepared, acted);
        if (messages() != messagesBeforeRuns)
            giveUp(std::string(name) + ": a message box came up while it was timed: " +
                   driver_.dialogs().lastMessage.toStdString());
    }

    int messages() { return driver_.running() ? driver_.dialogs().messages : 0; }

    void timeSave()
    {
        // The format holds 32,767 contacts: the last new one goes in at 32,766.
        const std::size_t before = std::size_t(std::min(records_, largest - 1));
        const std::string shorter = full_.substr(0, before * recordSize);
        time(
            "SAVE of a new contact",
            [=, this] {
                restore(shorter);
                driver_.click(w().BtnAdd);
                w().TxtNick->setText(QStringLiteral("Zz new one"));
                w().TxtAdName->setText(QStringLiteral("New Person"));
                w().TxtAdPhon->setFocus();
                QTest::keyClick(w().TxtAdPhon, Qt::Key_5); // a digit enables SAVE
            },
            [this] { driver_.click(w().BtnSave); },
            [=, this](Outcome& o) {
                const std::string file = readWholeFile("datphone");
                o.expectEqual(int(file.size() / recordSize), int(before + 1), "the record count");
                o.expect(file.compare(0, shorter.size(), shorter) == 0,
                         QStringLiteral("the records before the new one changed"));
                if (!o.problem().isEmpty())
                    return;
                const store::ContactRecord stored = decodeAt(file, int(before + 1));
                o.expectEqual(trimmedText(stored.Nick.text()), QStringLiteral("Zz new one"),
                              "the stored nickname");
                o.expectEqual(trimmedText(stored.Phone.text()), QStringLiteral("5"),
                              "the stored phone number");
                o.expectEqual(int(stored.RecordNo), int(before + 1), "the stored RecordNo");
                o.expectEqual(w().ListNick->count(), int(before + 1), "the list");
            });
    }

    void timeEdit()
    {
        store::ContactRecord edited = record(2);
        edited.City.assign("Elsewhere");
        std::string expected = full_;
        const store::RecordBytes bytes = store::encodeRecord(edited);
        expected.replace(recordSize, recordSize, reinterpret_cast<const char*>(bytes.data()),
                         recordSize);
        time(
            "EDIT and SAVE in place",
            [this] {
                restore(full_);
                driver_.clickListEntry(1);
            },
            [this] {
                driver_.click(w().BtnUpdate);
                w().TxtAdAdd->setText(QStringLiteral("Elsewhere"));
                driver_.click(w().BtnSave);
            },
            [=, this](Outcome& o) {
                const std::string file = readWholeFile("datphone");
                o.expectEqual(int(file.size() / recordSize), records_, "the record count");
                o.expect(file == expected, QStringLiteral("the file is not the book with the "
                                                          "second contact's city changed"));
            });
    }

    void timeDelete()
    {
        const std::string expected = full_.substr(recordSize);
        time(
            "DELETE of record 1",
            [this] {
                restore(full_);
                driver_.clickListEntry(0);
            },
            [this] { driver_.click(w().BtnDelete); },
            [=, this](Outcome& o) {
                o.expect(readWholeFile("datphone") == expected,
                         QStringLiteral("the file is not the book without its first contact"));
                o.expect(::access("dephone", F_OK) != 0, QStringLiteral("\"dephone\" is left"));
                o.expectEqual(w().ListNick->count(), records_ - 1, "the list");
            });
    }

    void timeUndoOfDelete()
    {
        time(
            "Undo of a DELETE of record 1",
            [this] {
                restore(full_);
                driver_.clickListEntry(0);
                driver_.click(w().BtnDelete);
            },
            [this] { driver_.pressUndo(); },
            [this](Outcome& o) {
                o.expect(readWholeFile("datphone") == full_,
                         QStringLiteral("the file is not the book as it was"));
                o.expect(::access("imphone", F_OK) != 0, QStringLiteral("\"imphone\" is left"));
                o.expectEqual(w().ListNick->count(), records_, "the list");
                o.expectEqual(w().TxtNick->text(), trimmedText(record(1).Nick.text()),
                              "the nickname box");
            });
    }

    static store::ContactRecord decodeAt(const std::string& file, int n)
    {
        const auto* at =
            reinterpret_cast<const std::uint8_t*>(file.data()) + std::size_t(n - 1) * recordSize;
        return store::decodeRecord(
            std::span<const std::uint8_t, store::RecordSize>(at, recordSize));
    }

    template <typename Pred> std::vector<int> recordsWhere(Pred matches) const
    {
        std::vector<int> found;
        for (int n = 1; n <= records_; ++n) {
            if (matches(record(n)))
                found.push_back(n);
        }
        return found;
    }

    // The list holds exactly these records' nicknames, as stored, and the last is shown.
    void expectListed(Outcome& o, const std::vector<int>& records)
    {
        QStringList entries;
        for (int n : records)
            entries.append(listed(record(n)));
        o.expectEqual(w().ListNick->items(), entries, "the list");
        if (records.empty())
            return;
        o.expectEqual(int(w().windowState().CurrentRecord), records.back(), "the current record");
        o.expectEqual(w().StatusBar1->panelText(2), QString::number(entries.size()),
                      "the record total");
    }

    void expectAllListed(Outcome& o, int last)
    {
        o.expectEqual(w().ListNick->count(), records_, "the list");
        o.expectEqual(int(w().windowState().CurrentRecord), last, "the current record");
        o.expectEqual(w().TxtNick->text(), trimmedText(record(last).Nick.text()),
                      "the nickname box");
        o.expect(!w().windowState().IsNewEntry,
                 QStringLiteral("the window is not in the record view"));
    }

    // The data file holds exactly `bytes`, and the window lists every contact.
    void restore(const std::string& bytes)
    {
        if (readWholeFile("datphone") != bytes)
            writeFileSynced("datphone", bytes);
        driver_.clickTab("*");
    }

    void inRecordView(const QString& nick)
    {
        restore(full_);
        driver_.setNick(nick);
    }

    int records_;
    int runs_;
    std::vector<store::ContactRecord> book_;
    std::string full_;
    WindowDriver driver_;
    Figures figures_;
};

Timing timeEmptyStartUp(int runs)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WindowDriver driver;
    const Timing timing = measure(
        runs, [&] { driver.stop(); }, [&] { driver.start(); });
    driver.stop();
    QDir::setCurrent(QDir::tempPath());
    return timing;
}

// Starts the window on the folder's data file, goes once through every action the benchmark
// times, and prints the peak resident memory of the whole process.
int memoryRun(const QString& folder)
{
    QDir::setCurrent(folder);
    WindowDriver driver;
    driver.start();
    Form1x& w = driver.window();
    const QString lastNick = w.TxtNick->text();
    driver.clickTab("*");
    driver.clickTab("M");
    settle();
    driver.setNick(QStringLiteral("M"));
    driver.releaseKeyInNick();
    settle();
    driver.setNick(lastNick);
    driver.releaseKeyInNick();
    settle();
    driver.clickListEntry(0);
    settle();
    for (QAction* item : {w.MnuNick, w.MnuFName, w.MnuFamily, w.MnyCity}) {
        item->trigger(); // the default answer
        settle();
    }
    driver.clickTab("*");
    driver.click(w.BtnAdd);
    w.TxtNick->setText(QStringLiteral("Zz new one"));
    w.TxtAdPhon->setFocus();
    QTest::keyClick(w.TxtAdPhon, Qt::Key_5);
    driver.click(w.BtnSave);
    settle();
    driver.clickListEntry(0);
    driver.click(w.BtnUpdate);
    w.TxtAdAdd->setText(QStringLiteral("Elsewhere"));
    driver.click(w.BtnSave);
    settle();
    driver.clickListEntry(0);
    driver.click(w.BtnDelete);
    settle();
    std::printf("%ld\n", peakResidentKilobytes());
    return 0;
}

long memoryOf(const QString& folder)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), folder});
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        giveUp("the memory run failed: " + child.readAllStandardError().toStdString());
    return child.readAllStandardOutput().trimmed().toLong();
}

double ratio(double a, double b)
{
    return b > 0 ? a / b : 0;
}

std::optional<Timing> find(const std::map<int, Figures>& bySize, int size, const std::string& name)
{
    const auto figures = bySize.find(size);
    if (figures == bySize.end())
        return std::nullopt;
    const auto timing = figures->second.timings.find(name);
    if (timing == figures->second.timings.end())
        return std::nullopt;
    return timing->second;
}

const char* baselineName(Baseline baseline)
{
    switch (baseline) {
    case Baseline::Read:
        return readBaseline;
    case Baseline::WriteSync:
        return writeBaseline;
    case Baseline::None:
        break;
    }
    return nullptr;
}

void printTable(const std::vector<int>& sizes, const std::map<int, Figures>& bySize, int runs)
{
    std::printf("\nMilliseconds over %d runs: median / 95th percentile of the wall-clock time "
                "(median as a multiple of its baseline at that size), and the median processor "
                "time of the program's thread.\n\n| action | baseline |",
                runs);
    for (int size : sizes)
        std::printf(" %d records |", size);
    std::printf(" growth 8000 -> 32767 |\n|---|---|");
    for (std::size_t i = 0; i < sizes.size(); ++i)
        std::printf("---|");
    std::printf("---|\n");

    const auto row = [&](const char* name, Baseline baseline) {
        std::printf("| %s | %s |", name,
                    baseline == Baseline::Read        ? "read"
                    : baseline == Baseline::WriteSync ? "write+sync"
                                                      : "-");
        for (int size : sizes) {
            const auto timing = find(bySize, size, name);
            if (!timing) {
                std::printf(" - |");
                continue;
            }
            std::printf(" %.2f / %.2f", timing->median, timing->p95);
            const auto base =
                baselineName(baseline) ? find(bySize, size, baselineName(baseline)) : std::nullopt;
            if (base && base->median > 0 && name != std::string(baselineName(baseline)))
                std::printf(" (%.1f)", ratio(timing->median, base->median));
            std::printf(" cpu %.2f |", timing->cpuMedian);
        }
        const auto small = find(bySize, 8000, name);
        const auto large = find(bySize, largest, name);
        if (small && large)
            std::printf(" %.2f |\n", ratio(large->median, small->median));
        else
            std::printf(" - |\n");
    };
    row(readBaseline, Baseline::Read);
    row(writeBaseline, Baseline::WriteSync);
    for (const Action& action : actions)
        row(action.name, action.baseline);
}

void printTargets(const std::map<int, Figures>& bySize, std::optional<Timing> emptyStart)
{
    std::printf(
        "\nTargets at %d records (met when the median is within the target):\n\n"
        "| action | median | p95 | cpu | target | growth | met |\n|---|---|---|---|---|---|---|\n",
        largest);
    const auto writeSync = find(bySize, largest, writeBaseline);
    const auto reload = find(bySize, largest, "\"*\" tab");
    for (const Action& action : actions) {
        const auto timing = find(bySize, largest, action.name);
        if (!timing)
            continue;
        double target = 0;
        switch (action.target) {
        case Target::Frame:
            target = 8;
            break;
        case Target::TwoFrames:
            target = 16;
            break;
        case Target::Save:
            target = 40;
            break;
        case Target::Delete:
            target = writeSync && reload ? 2 * writeSync->median + reload->median : 0;
            break;
        case Target::None:
            break;
        }
        const auto small = find(bySize, 8000, action.name);
        const double growth = small ? ratio(timing->median, small->median) : 0;
        const bool met = timing->median <= target && (!small || growth <= 5);
        std::printf("| %s | %.2f | %.2f | %.2f | %.2f%s | %s | %s |\n", action.name, timing->median,
                    timing->p95, timing->cpuMedian, target,
                    action.target == Target::Delete ? " (2 x write+sync + \"*\" tab)" : "",
                    small ? QByteArray::number(growth, 'f', 2).constData() : "-",
                    met ? "yes" : "NO");
    }
    if (emptyStart)
        std::printf("\nStart-up on an empty file (the window alone, no list): median %.2f ms, "
                    "p95 %.2f ms, cpu %.2f ms.\n",
                    emptyStart->median, emptyStart->p95, emptyStart->cpuMedian);
}

std::vector<int> sizesWanted()
{
    const QByteArray text = qgetenv("ZARVOTH_BENCH_SIZES");
    if (text.isEmpty())
        return {1000, 8000, largest};
    std::vector<int> sizes;
    for (const QByteArray& part : text.split(',')) {
        bool ok = false;
        const int size = part.trimmed().toInt(&ok);
        if (!ok || size < 1 || size > largest)
            giveUp("ZARVOTH_BENCH_SIZES takes sizes from 1 to 32767, separated by commas");
        sizes.push_back(size);
    }
    return sizes;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--memory")
        return memoryRun(QString::fromLocal8Bit(argv[2]));

    const int runs = qEnvironmentVariableIntValue("ZARVOTH_BENCH_RUNS") > 0
                         ? qEnvironmentVariableIntValue("ZARVOTH_BENCH_RUNS")
                         : 30;
    const std::vector<int> sizes = sizesWanted();
    std::map<int, Figures> bySize;
    for (int size : sizes) {
        std::fprintf(stderr, "measuring %d records, %d runs per action...\n", size, runs);
        bySize[size] = Bench(size, runs).run();
    }
    std::optional<Timing> emptyStart;
    if (wanted(emptyStartUp))
        emptyStart = timeEmptyStartUp(runs);
    printTable(sizes, bySize, runs);
    printTargets(bySize, emptyStart);

    if (qEnvironmentVariableIsSet("ZARVOTH_BENCH_ONLY"))
        return 0;
    QTemporaryDir empty;
    QTemporaryDir large;
    writeFileSynced(large.filePath(QStringLiteral("datphone")).toStdString(),
                    dataFileBytes(generateAddressBook(largest, seed)));
    const long emptyKb = memoryOf(empty.path());
    const long largeKb = memoryOf(large.path());
    std::printf("\nPeak resident memory, the window going once through every action above: "
                "%ld kB on an empty file, %ld kB at %d records (%+ld kB; target at most "
                "+20480 kB: %s).\n",
                emptyKb, largeKb, largest, largeKb - emptyKb,
                largeKb - emptyKb <= 20480 ? "met" : "NOT met");
    return 0;
}
