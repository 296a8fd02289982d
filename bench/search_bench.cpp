// Times the desktop's search on a generated address book of 32,767 contacts, the largest a data
// file holds: the questions GNOME Shell and KRunner ask as a person types, sent over a private
// session bus to the provider the bus starts, beside a baseline measured in the same run
// (reading the data file once) and the search alone, in this process. Each question is first
// asked once untimed and its answer checked, so that no figure stands for a search that found
// nothing it should have. The shell drops a provider that keeps it waiting: the target is
// 50 ms for a question. "CPU here" is the processor time of this process alone: for the
// questions over the bus, what asking costs; for the baseline and the search in this process,
// what the work costs when other programs share the machine's cores.
//
// ZARVOTH_BENCH_RUNS   runs per question (default 30)
#include "address_book.h"
#include "measure.h"

#include "search_provider/contact_results.h"
#include "window/form/store_text.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr int contacts = 32767;
constexpr double targetMilliseconds = 50;

const QString Bus = QStringLiteral("io.github.zarvoth.zarvoth.SearchProvider");
const QString ShellPath = QStringLiteral("/io/github/zarvoth/zarvoth/SearchProvider");
const QString ShellInterface = QStringLiteral("org.gnome.Shell.SearchProvider2");

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "search_bench: %s\n", what);
        std::exit(1);
    }
}

QDBusMessage ask(const QString& path, const QString& interface, const QString& method,
                 const QVariantList& arguments)
{
    QDBusMessage question = QDBusMessage::createMethodCall(Bus, path, interface, method);
    question.setArguments(arguments);
    const QDBusMessage answer = QDBusConnection::sessionBus().call(question, QDBus::Block, 30000);
    require(answer.type() == QDBusMessage::ReplyMessage, "the provider answers");
    return answer;
}

// What the shell asks for one text typed: the results, then the metas of those it shows.
QStringList shellQuestion(const QStringList& terms)
{
    const QStringList ids =
        ask(ShellPath, ShellInterface, QStringLiteral("GetInitialResultSet"), {terms})
            .arguments()
            .value(0)
            .toStringList();
    const QDBusMessage metas =
        ask(ShellPath, ShellInterface, QStringLiteral("GetResultMetas"), {ids.mid(0, 5)});
    QList<QVariantMap> maps;
    metas.arguments().value(0).value<QDBusArgument>() >> maps;
    require(maps.size() == std::min<qsizetype>(ids.size(), 5), "a meta for each result shown");
    return ids;
}

int krunnerMatches(const QString& query)
{
    const QDBusMessage answer = ask(QStringLiteral("/runner"), QStringLiteral("org.kde.krunner1"),
                                    QStringLiteral("Match"), {query});
    const QDBusArgument list = answer.arguments().value(0).value<QDBusArgument>();
    int count = 0;
    list.beginArray();
    while (!list.atEnd()) {
        QVariant match;
        list >> match;
        ++count;
    }
    list.endArray();
    return count;
}

void print(const char* name, const Timing& timing, double baseline)
{
    std::printf("%-48s %9.1f ms %9.1f ms %9.1f ms %8.1fx %s\n", name, timing.median, timing.p95,
                timing.cpuMedian, timing.median / baseline,
                timing.p95 <= targetMilliseconds ? "within 50 ms" : "OVER 50 ms");
}

QString trimmed(std::string_view stored)
{
    return fromStore(store::trimBlanks(stored)).toLower();
}

} // namespace

int main(int argc, char* argv[])
{
    // On a session bus of its own, which finds the provider's service file in a scratch
    // XDG_DATA_DIRS: the bench starts itself again under dbus-run-session.
    if (!qEnvironmentVariableIsSet("ZARVOTH_BENCH_OWN_BUS")) {
        ::setenv("ZARVOTH_BENCH_OWN_BUS", "1", 1);
        ::setenv("XDG_DATA_DIRS", SEARCH_PROVIDER_DATA, 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        std::vector<char*> command = {const_cast<char*>("dbus-run-session"),
                                      const_cast<char*>("--")};
        command.insert(command.end(), argv, argv + argc);
        command.push_back(nullptr);
        ::execvp(command[0], command.data());
        require(false, "dbus-run-session could not be started");
    }
    QCoreApplication application(argc, argv);
    const int runs =
        std::getenv("ZARVOTH_BENCH_RUNS") ? std::atoi(std::getenv("ZARVOTH_BENCH_RUNS")) : 30;
    require(runs > 0, "ZARVOTH_BENCH_RUNS must be a positive number");

    QTemporaryDir dataHome;
    require(QDir().mkpath(dataHome.filePath(QStringLiteral("zarvoth"))), "a data folder");
    const std::vector<store::ContactRecord> records = generateAddressBook(contacts, 20261208);
    const std::string path = dataHome.filePath(QStringLiteral("zarvoth/datphone")).toStdString();
    writeFileSynced(path, dataFileBytes(records));
    // The provider the bus starts, and the search in this process, read the same book.
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    update.setArguments({QVariant::fromValue(
        QMap<QString, QString>{{QStringLiteral("XDG_DATA_HOME"), dataHome.path()}})});
    require(QDBusConnection::sessionBus().call(update).type() == QDBusMessage::ReplyMessage,
            "the bus takes the data folder");

    // What a person types: a whole nickname, its first letter, part of a city, four digits of
    // a number, a first name and a city's beginning, and a text no one has.
    const store::ContactRecord& someone = records[20000];
    const QString nick = trimmed(someone.Nick.text());
    const QString city = trimmed(someone.City.text()).left(4);
    const QString digits = fromStore(store::trimBlanks(someone.Phone.text())).mid(2, 4);
    const QString firstName = trimmed(someone.FullName.text()).section(u' ', 0, 0);
    struct Question {
        const char* name;
        QStringList terms;
        bool someFound;
    };
    const std::vector<Question> questions = {
        {"a whole nickname", {nick}, true},
        {"its first letter", {nick.left(1)}, true},
        {"part of a city", {city}, true},
        {"four digits of a number", {digits}, true},
        {"a first name and a city's beginning", {firstName, city}, true},
        {"a text no one has", {QStringLiteral("qqxzqq")}, false},
    };

    const auto started = std::chrono::steady_clock::now();
    const QStringList first = shellQuestion(questions[0].terms);
    const double coldStart =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    search_provider::ContactResults inProcess(store::posixFileSystem());
    require(!first.isEmpty() && inProcess.describe({first[0]}).value(0).nick.toLower() == nick,
            "the nickname typed comes first");
    for (const Question& question : questions)
        require(shellQuestion(question.terms).isEmpty() != question.someFound,
                question.someFound ? "the question finds someone" : "no one is found");

    std::string sink;
    const Timing read = measure(runs, {}, [&] { sink = readWholeFile(path); });
    std::vector<Timing> overBus;
    for (const Question& question : questions)
        overBus.push_back(measure(runs, {}, [&] { shellQuestion(question.terms); }));
    const Timing kRunner = measure(runs, {}, [&] { krunnerMatches(nick.left(1)); });
    const Timing alone =
        measure(runs, {}, [&] { require(!inProcess.search({city}, 50).isEmpty(), "found"); });

    // The provider the bus started, ended by its own process id.
    QDBusMessage whose = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    whose.setArguments({Bus});
    const uint pid = QDBusConnection::sessionBus().call(whose).arguments().value(0).toUInt();
    if (pid > 1)
        ::kill(static_cast<pid_t>(pid), SIGTERM);

    std::printf("The desktop's search, %d contacts, %d runs each; a question is the result set and "
                "the metas of the first five\n",
                contacts, runs);
    std::printf("%-48s %12s %12s %12s %9s\n", "question", "median", "95th", "CPU here", "ratio");
    print("baseline: read the whole data file", read, read.median);
    for (std::size_t i = 0; i < questions.size(); ++i)
        print(questions[i].name, overBus[i], read.median);
    print("KRunner: its first letter", kRunner, read.median);
    print("the search alone, in this process (part of a city)", alone, read.median);
    std::printf("the first question, the provider started by the bus: %.1f ms\n", coldStart);
    std::printf("peak memory of the bench: %ld kB\n", peakResidentKilobytes());
    return 0;
}
