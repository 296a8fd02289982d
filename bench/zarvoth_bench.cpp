// Times the window's actions on generated address books of 1,000, 8,000 and 32,767 contacts,
// beside two baselines measured in the same run: reading the whole file once, and writing and
// syncing it once. Prints medians, 95th percentiles, ratios, growth and peak memory.
#include "address_book.h"
#include "measure.h"

#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/dialogs.h"
#include "window/form1x.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

class BenchDialogs final : public Dialogs {
public:
    void showMessage(const QString& text) override
    {
        ++messages;
        last = text;
    }
    QString inputBox(const QString&, const QString&, const QString& defaultAnswer) override
    {
        if (answers.empty())
            return defaultAnswer;
        QString next = answers.front();
        answers.pop_front();
        return next;
    }
    std::deque<QString> answers;
    int messages = 0;
    QString last;
};

enum class Baseline { Read, WriteSync };

struct Action {
    const char* name;
    Baseline baseline;
};

const Action actions[] = {
    {"start-up to the record view", Baseline::Read},
    {"\"*\" tab", Baseline::Read},
    {"letter tab", Baseline::Read},
    {"key release, one letter", Baseline::Read},
    {"key release, whole nickname", Baseline::Read},
    {"list click", Baseline::Read},
    {"SAVE of a new contact", Baseline::WriteSync},
    {"EDIT and SAVE in place", Baseline::WriteSync},
    {"DELETE of record 1", Baseline::WriteSync},
    {"search by nickname", Baseline::Read},
    {"search by full name", Baseline::Read},
    {"search by family name", Baseline::Read},
    {"search by city", Baseline::Read},
};

struct Figures {
    std::map<std::string, Timing> actions;
    Timing readBaseline;
    Timing writeSyncBaseline;
    int messages = 0;
};

QByteArray readAll(const char* path)
{
    QFile file(QString::fromLatin1(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeFileSynced(const char* path, const QByteArray& bytes)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::fsync(fd) != 0)
        std::perror(path);
    ::close(fd);
}

void settle()
{
    QApplication::processEvents();
}

class Bench {
public:
    Bench(int records, int runs) : records_(records), runs_(runs) {}

    Figures run()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        book_ = generateAddressBook(records_, 20261208);
        writeDataFile("datphone", book_);
        full_ = readAll("datphone");

        Figures figures;
        figures.readBaseline = measure(runs_, {}, [] { readAll("datphone"); });
        figures.writeSyncBaseline =
            measure(runs_, {}, [this] { writeFileSynced("baseline", full_); });
        ::unlink("baseline");

        time(figures, "start-up to the record view", [this] { window_.reset(); },
             [this] { startWindow(); });
        time(figures, "\"*\" tab", {}, [this] { clickTab("*"); });
        time(figures, "letter tab", {}, [this] { clickTab("M"); });
        time(figures, "key release, one letter", [this] { inRecordView("M"); },
             [this] { keyRelease(); });
        const QString middleNick = QString::fromStdString(nickOf(book_, records_ / 2));
        time(figures, "key release, whole nickname", [&] { inRecordView(middleNick); },
             [this] { keyRelease(); });
        time(figures, "list click", [this] { restore(full_); }, [this] { clickListEntry(3); });
        // The format holds 32,767 contacts: the last new one goes in at 32,766.
        const QByteArray beforeSave =
            records_ >= 32767 ? full_.left(qsizetype(32766) * 129) : full_;
        time(figures, "SAVE of a new contact", [&] { typeNewContact(beforeSave); },
             [this] { click(w().BtnSave); });
        time(figures, "EDIT and SAVE in place", [this] {
            restore(full_);
            clickListEntry(1);
        }, [this] {
            click(w().BtnUpdate);
            w().TxtAdAdd->setText(QStringLiteral("Elsewhere"));
            click(w().BtnSave);
        });
        time(figures, "DELETE of record 1", [this] {
            restore(full_);
            clickListEntry(0);
        }, [this] { click(w().BtnDelete); });

        const auto& middle = book_[std::size_t(records_ / 2)];
        search(figures, "search by nickname", w().MnuNick, middle.Nick.trimmed());
        search(figures, "search by full name", w().MnuFName, middle.FullName.trimmed());
        search(figures, "search by family name", w().MnuFamily, middle.FamilyName.trimmed());
        search(figures, "search by city", w().MnyCity, middle.City.trimmed());

        figures.messages = dialogs_ ? dialogs_->messages : 0;
        if (figures.messages)
            std::fprintf(stderr, "warning: %d message(s) shown, the last: %s\n", figures.messages,
                         qPrintable(dialogs_->last));
        window_.reset();
        QDir::setCurrent(QDir::tempPath());
        return figures;
    }

private:
    Form1x& w() { return *window_; }

    void startWindow()
    {
        auto dialogs = std::make_unique<BenchDialogs>();
        dialogs_ = dialogs.get();
        window_ = std::make_unique<Form1x>(store::posixFileSystem(), std::move(dialogs));
        window_->show();
        settle();
    }

    void time(Figures& figures, const char* name, const std::function<void()>& prepare,
              const std::function<void()>& action)
    {
        const auto prepared = [&] {
            if (prepare)
                prepare();
            if (!window_)
                return;
            settle();
        };
        figures.actions[name] = measure(runs_, prepared, [&] {
            action();
            settle();
        });
        if (!window_)
            startWindow();
    }

    void search(Figures& figures, const char* name, QAction* item, std::string_view answer)
    {
        const QString text = QString::fromLatin1(answer.data(), qsizetype(answer.size()));
        time(figures, name, [&] { dialogs_->answers.push_back(text); }, [&] { item->trigger(); });
    }

    void restore(const QByteArray& bytes)
    {
        if (readAll("datphone") != bytes)
            writeFileSynced("datphone", bytes);
        clickTab("*");
    }

    void inRecordView(const QString& nickText)
    {
        restore(full_);
        w().TxtNick->setText(nickText);
    }

    void keyRelease() { QTest::keyRelease(w().TxtNick, Qt::Key_A); }

    void typeNewContact(const QByteArray& before)
    {
        restore(before);
        click(w().BtnAdd);
        w().TxtNick->setText(QStringLiteral("Zz new one"));
        w().TxtAdName->setText(QStringLiteral("New Person"));
        QTest::keyClick(w().TxtAdPhon, Qt::Key_5); // a digit enables SAVE
    }

    void clickTab(const char* caption)
    {
        TabStrip* tabs = w().TabStrip1;
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == QLatin1String(caption))
                QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
        }
    }

    void clickListEntry(int row)
    {
        ListBox* list = w().ListNick;
        const QRect place = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    }

    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    int records_;
    int runs_;
    std::vector<store::ContactRecord> book_;
    QByteArray full_;
    std::unique_ptr<Form1x> window_;
    BenchDialogs* dialogs_ = nullptr;
};

double ratio(double a, double b)
{
    return b > 0 ? a / b : 0;
}

// Starts the window on the folder's data file, runs one tab and one search, and reports the
// peak resident memory of the whole process.
int memoryRun(const QString& folder)
{
    QDir::setCurrent(folder);
    auto dialogs = std::make_unique<BenchDialogs>();
    Form1x window(store::posixFileSystem(), std::move(dialogs));
    window.show();
    settle();
    window.MnyCity->trigger();
    settle();
    std::printf("%ld\n", peakResidentKilobytes());
    return 0;
}

long memoryOf(const QString& self, const QString& folder)
{
    QProcess child;
    child.start(self, {QStringLiteral("--memory"), folder});
    child.waitForFinished(120000);
    return child.readAllStandardOutput().trimmed().toLong();
}

void printTable(const std::map<int, Figures>& bySize, long emptyKb, long largeKb)
{
    const int sizes[] = {1000, 8000, 32767};
    std::printf("\n| action | baseline |");
    for (int size : sizes)
        std::printf(" %d: median / p95 ms (x baseline) |", size);
    std::printf(" growth 8000 -> 32767 |\n|---|---|---|---|---|---|\n");
    const auto row = [&](const char* name, Baseline baseline, auto pick) {
        std::printf("| %s | %s |", name, baseline == Baseline::Read ? "read" : "write+sync");
        for (int size : sizes) {
            const Figures& f = bySize.at(size);
            const Timing t = pick(f);
            const Timing base = baseline == Baseline::Read ? f.readBaseline : f.writeSyncBaseline;
            std::printf(" %.2f / %.2f (%.1f) |", t.median, t.p95, ratio(t.median, base.median));
        }
        std::printf(" %.2f |\n", ratio(pick(bySize.at(32767)).median, pick(bySize.at(8000)).median));
    };
    row("baseline: read the whole file", Baseline::Read, [](const Figures& f) { return f.readBaseline; });
    row("baseline: write and sync the whole file", Baseline::WriteSync,
        [](const Figures& f) { return f.writeSyncBaseline; });
    for (const Action& action : actions)
        row(action.name, action.baseline, [&](const Figures& f) { return f.actions.at(action.name); });
    std::printf("\nPeak resident memory: %ld kB on an empty file, %ld kB at 32,767 records "
                "(%+ld kB).\n",
                emptyKb, largeKb, largeKb - emptyKb);
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
    std::map<int, Figures> bySize;
    for (int size : {1000, 8000, 32767}) {
        std::fprintf(stderr, "measuring %d records, %d runs per action...\n", size, runs);
        bySize[size] = Bench(size, runs).run();
    }

    QTemporaryDir empty;
    QTemporaryDir large;
    writeDataFile(large.filePath(QStringLiteral("datphone")).toStdString(),
                  generateAddressBook(32767, 20261208));
    const QString self = QCoreApplication::applicationFilePath();
    printTable(bySize, memoryOf(self, empty.path()), memoryOf(self, large.path()));
    return 0;
}
