// The desktop's search as GNOME Shell and KRunner use it: a private session bus starts the
// program from its service file when first asked, and the questions go over the bus. The
// contacts are those of a menu launch ($XDG_DATA_HOME/zarvoth), and a chosen result reaches
// a recording tel: program with the number Dial dials.
#include "support/data_folder.h"
#include "support/recording_tel_handler.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString Bus = QStringLiteral("io.github.zarvoth.zarvoth.SearchProvider");
const QString ShellPath = QStringLiteral("/io/github/zarvoth/zarvoth/SearchProvider");
const QString ShellInterface = QStringLiteral("org.gnome.Shell.SearchProvider2");
const QString RunnerPath = QStringLiteral("/runner");
const QString RunnerInterface = QStringLiteral("org.kde.krunner1");

const std::vector<Contact> Book = {
    {"Ann", "Ann", "Example", "Oslo", "123", "47", "0", 1, 1},
    {"Anneli", "Anneli M\xFCller", "M\xFCller", "Bergen", "555-01"},
    {"Bob", "", "", "Oslo", "12 x9"},
};

QDBusMessage ask(const QString& path, const QString& interface, const QString& method,
                 const QVariantList& arguments)
{
    QDBusMessage question = QDBusMessage::createMethodCall(Bus, path, interface, method);
    question.setArguments(arguments);
    return QDBusConnection::sessionBus().call(question, QDBus::Block, 20000);
}

QStringList resultSet(const QStringList& terms)
{
    const QDBusMessage answer =
        ask(ShellPath, ShellInterface, QStringLiteral("GetInitialResultSet"), {terms});
    if (answer.type() != QDBusMessage::ReplyMessage)
        qWarning("%s", qPrintable(answer.errorMessage()));
    return answer.arguments().value(0).toStringList();
}

// Each meta as "name|description", in the order of the ids.
QStringList metas(const QStringList& ids)
{
    const QDBusMessage answer =
        ask(ShellPath, ShellInterface, QStringLiteral("GetResultMetas"), {ids});
    QList<QVariantMap> maps;
    answer.arguments().value(0).value<QDBusArgument>() >> maps;
    QStringList shown;
    for (const QVariantMap& meta : maps) {
        shown.append(meta.value(QStringLiteral("name")).toString() + u'|' +
                     meta.value(QStringLiteral("description")).toString());
        if (!ids.contains(meta.value(QStringLiteral("id")).toString()))
            shown.append(QStringLiteral("an id not asked for"));
    }
    return shown;
}

struct Match {
    QString id;
    QString text;
    int type = 0;
    QString subtext;
};

QList<Match> krunnerMatches(const QString& query)
{
    const QDBusMessage answer = ask(RunnerPath, RunnerInterface, QStringLiteral("Match"), {query});
    const QDBusArgument list = answer.arguments().value(0).value<QDBusArgument>();
    QList<Match> matches;
    list.beginArray();
    while (!list.atEnd()) {
        Match match;
        QString icon;
        double relevance = 0;
        QVariantMap properties;
        list.beginStructure();
        list >> match.id >> match.text >> icon >> match.type >> relevance >> properties;
        list.endStructure();
        match.subtext = properties.value(QStringLiteral("subtext")).toString();
        matches.append(match);
    }
    list.endArray();
    return matches;
}

} // namespace

// The desktop portal's OpenURI as xdg-desktop-portal offers it to a sandboxed program
// (org.freedesktop.portal.OpenURI, in the portal's D-Bus documentation): it takes the link and
// answers at once with the path of a request of its own; the choice of program comes later.
class OpenUriPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.OpenURI")

public:
    QStringList opened;

public slots:
    QDBusObjectPath OpenURI(const QString& parentWindow, const QString& uri,
                            const QVariantMap& options)
    {
        Q_UNUSED(parentWindow);
        Q_UNUSED(options);
        opened.append(uri);
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1/t"));
    }
};

class TestSearchProvider : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void gnomeShellFindsNarrowsAndCalls();
    void kRunnerFindsAndCalls();
    void aContactGoneMeanwhileIsNotCalled();
    void moreResultsOpenTheWindowOnTheSearch();
    void anythingTypedGetsAnAnswer_data();
    void anythingTypedGetsAnAnswer();
    void anyIdGetsAnAnswer_data();
    void anyIdGetsAnAnswer();
    void aSandboxedDialGoesThroughThePortal();

private:
    void writeBook(const std::vector<Contact>& contacts);

    RecordingTelHandler desktop_;
    QTemporaryDir launchers_;
};

void TestSearchProvider::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "a private session bus");
    // The provider the bus starts lives on the recording desktop, with its own contacts.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QMap<QString, QString> environment;
    for (const char* name :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS", "BROWSER"}) {
        const QString key = QLatin1String(name);
        environment.insert(key, desktop_.environment().value(key));
    }
    // The menu's launcher, found on the path, writes down how it was asked to open the window.
    QFile launcher(launchers_.filePath(QStringLiteral("zarvoth-launch")));
    QVERIFY(launcher.open(QIODevice::WriteOnly));
    launcher.write("#!/bin/sh\nprintf '%s|' \"$@\" >>'" +
                   launchers_.filePath(QStringLiteral("launched")).toUtf8() + "'\n");
    launcher.close();
    launcher.setPermissions(launcher.permissions() | QFile::ExeOwner);
    environment.insert(QStringLiteral("PATH"),
                       launchers_.path() + u':' + qEnvironmentVariable("PATH"));
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    update.setArguments({QVariant::fromValue(environment)});
    const QDBusMessage updated = QDBusConnection::sessionBus().call(update);
    QVERIFY2(updated.type() == QDBusMessage::ReplyMessage, qPrintable(updated.errorMessage()));
}

void TestSearchProvider::init()
{
    writeBook(Book);
}

// Ends the provider the bus started, by its own process id.
void TestSearchProvider::cleanupTestCase()
{
    QDBusMessage question = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    question.setArguments({Bus});
    const QDBusMessage answer = QDBusConnection::sessionBus().call(question);
    const uint pid = answer.arguments().value(0).toUInt();
    if (answer.type() == QDBusMessage::ReplyMessage && pid > 1)
        ::kill(static_cast<pid_t>(pid), SIGTERM);
}

void TestSearchProvider::writeBook(const std::vector<Contact>& contacts)
{
    const QString folder = desktop_.dataHome() + QStringLiteral("/zarvoth");
    QDir().mkpath(folder);
    std::vector<store::ContactRecord> records;
    for (const Contact& contact : contacts)
        records.push_back(makeRecord(contact, static_cast<std::int16_t>(records.size() + 1)));
    QFile file(folder + QStringLiteral("/datphone"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(encoded(records));
}

void TestSearchProvider::gnomeShellFindsNarrowsAndCalls()
{
    // The closest first: Ann's nickname is what was typed.
    const QStringList initial = resultSet({QStringLiteral("ANN")});
    QCOMPARE(initial.size(), 2);
    QCOMPARE(metas(initial), QStringList({"Ann Example|047123", "Anneli M\u00FCller|55501"}));

    const QDBusMessage narrowed =
        ask(ShellPath, ShellInterface, QStringLiteral("GetSubsearchResultSet"),
            {initial, QStringList{"ann", "mul"}});
    QCOMPARE(narrowed.arguments().value(0).toStringList(), QStringList{initial[1]});

    // A number Dial refuses is shown as stored; a contact without names by its nickname.
    QCOMPARE(metas(resultSet({QStringLiteral("bob")})), QStringList{"Bob|12 x9"});

    const QDBusMessage activated = ask(ShellPath, ShellInterface, QStringLiteral("ActivateResult"),
                                       {initial[0], QStringList{"ann"}, 0u});
    QCOMPARE(activated.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(desktop_.handled(), QStringList{"tel:047123"});
    QCOMPARE(desktop_.browsed(), QString());
}

void TestSearchProvider::kRunnerFindsAndCalls()
{
    const QList<Match> matches = krunnerMatches(QStringLiteral("  m\u00DCller  bergen "));
    QCOMPARE(matches.size(), 1);
    QCOMPARE(matches[0].text, QStringLiteral("Anneli M\u00FCller"));
    QCOMPARE(matches[0].subtext, QStringLiteral("55501"));
    QCOMPARE(matches[0].type, 30);                                      // a possible match
    QCOMPARE(krunnerMatches(QStringLiteral("ann")).value(0).type, 100); // the nickname itself

    const QDBusMessage actions = ask(RunnerPath, RunnerInterface, QStringLiteral("Actions"), {});
    QCOMPARE(actions.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(actions.signature(), QStringLiteral("a(sss)"));

    const int before = int(desktop_.handled(0, 0).size());
    ask(RunnerPath, RunnerInterface, QStringLiteral("Run"), {matches[0].id, QString()});
    QCOMPARE(desktop_.handled(before + 1).mid(before), QStringList{"tel:55501"});
}

void TestSearchProvider::aContactGoneMeanwhileIsNotCalled()
{
    const QStringList ids = resultSet({QStringLiteral("ann")}) + resultSet({QStringLiteral("bob")});
    QCOMPARE(ids.size(), 3);
    // Ann deleted: Anneli and Bob move up a place; Bob is then changed.
    writeBook({Book[1], {"Bob", "", "", "Oslo", "999"}});
    QCOMPARE(metas(ids), QStringList{"Anneli M\u00FCller|55501"});

    const int before = int(desktop_.handled(0, 0).size());
    for (const QString& gone : {ids[0], ids[2]})
        ask(ShellPath, ShellInterface, QStringLiteral("ActivateResult"), {gone, QStringList{}, 0u});
    ask(ShellPath, ShellInterface, QStringLiteral("ActivateResult"), {ids[1], QStringList{}, 0u});
    QCOMPARE(desktop_.handled(before + 2, 3).mid(before), QStringList{"tel:55501"});
}

void TestSearchProvider::moreResultsOpenTheWindowOnTheSearch()
{
    const QDBusMessage launched = ask(ShellPath, ShellInterface, QStringLiteral("LaunchSearch"),
                                      {QStringList{"ann", "oslo"}, 0u});
    QCOMPARE(launched.type(), QDBusMessage::ReplyMessage);
    QFile written(launchers_.filePath(QStringLiteral("launched")));
    QTRY_VERIFY_WITH_TIMEOUT(written.exists() && written.size() > 0, 10000);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("--show-found|ann oslo|"));
}

void TestSearchProvider::anythingTypedGetsAnAnswer_data()
{
    QTest::addColumn<QStringList>("terms");
    QTest::addColumn<int>("found");

    QTest::newRow("no words") << QStringList() << 0;
    QTest::newRow("an empty word") << QStringList{QString()} << 0;
    QTest::newRow("blanks") << QStringList{QStringLiteral(" \t ")} << 0;
    QTest::newRow("a megabyte of letters") << QStringList{QString(1 << 20, u'a')} << 0;
    QTest::newRow("ten thousand words") << [] {
        QStringList words;
        for (int i = 0; i < 10000; ++i)
            words.append(QString::number(i));
        return words;
    }() << 0;
    QTest::newRow("the same word ten thousand times")
        << QStringList(10000, QStringLiteral("oslo")) << 2;
    QTest::newRow("pattern characters")
        << QStringList{QStringLiteral(".*"), QStringLiteral("%s")} << 0;
    QTest::newRow("controls and a byte-order mark")
        << QStringList{QStringLiteral("\u0001\u001B[2J\uFEFF")} << 0;
    QTest::newRow("right-to-left and combining marks")
        << QStringList{QStringLiteral("\u202Eo\u0301\u0301\u0301")} << 0;
}

void TestSearchProvider::anythingTypedGetsAnAnswer()
{
    QFETCH(QStringList, terms);
    QFETCH(int, found);
    const QDBusMessage answer =
        ask(ShellPath, ShellInterface, QStringLiteral("GetInitialResultSet"), {terms});
    QVERIFY2(answer.type() == QDBusMessage::ReplyMessage, qPrintable(answer.errorMessage()));
    QCOMPARE(answer.arguments().value(0).toStringList().size(), found);
    QCOMPARE(krunnerMatches(terms.join(u' ')).size(), found);
    // And it still answers.
    QCOMPARE(resultSet({QStringLiteral("anneli")}).size(), 1);
}

void TestSearchProvider::anyIdGetsAnAnswer_data()
{
    QTest::addColumn<QString>("id");

    QTest::newRow("empty") << QString();
    QTest::newRow("a colon") << QStringLiteral(":");
    QTest::newRow("no fingerprint") << QStringLiteral("1:");
    QTest::newRow("no place") << QStringLiteral(":0");
    QTest::newRow("a place past the end") << QStringLiteral("99999999999999999999999:0");
    QTest::newRow("a place before the start") << QStringLiteral("-1:ffffffffffffffff");
    QTest::newRow("words") << QStringLiteral("call everyone");
    QTest::newRow("a long one") << QString(100000, u'9');
}

void TestSearchProvider::anyIdGetsAnAnswer()
{
    QFETCH(QString, id);
    QCOMPARE(metas({id}), QStringList());
    const int before = int(desktop_.handled(0, 0).size());
    const QDBusMessage activated =
        ask(ShellPath, ShellInterface, QStringLiteral("ActivateResult"), {id, QStringList{}, 0u});
    QCOMPARE(activated.type(), QDBusMessage::ReplyMessage);
    ask(RunnerPath, RunnerInterface, QStringLiteral("Run"), {id, QString()});
    QCOMPARE(desktop_.handled(before + 1, 1).size(), before);
}

// Inside a Snap (or Flatpak) only the portal may open a tel: link; without one answering,
// nothing is dialled and the user is told.
void TestSearchProvider::aSandboxedDialGoesThroughThePortal()
{
    const auto dial = [this] {
        QProcess program;
        // On the recording desktop, whose tel: program must not be the one that is given it.
        QProcessEnvironment environment = desktop_.environment();
        environment.insert(QStringLiteral("SNAP"), QStringLiteral("/snap/zarvoth/1"));
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(desktop_.dataHome() + QStringLiteral("/zarvoth"));
        QSignalSpy finished(&program, &QProcess::finished);
        program.start(QStringLiteral(ZARVOTH_BINARY), {QStringLiteral("--dial"), QStringLiteral("Ann")});
        // The portal below answers on this event loop.
        finished.wait(20000);
        return std::make_pair(program.exitCode(), program.readAllStandardError());
    };
    const int before = int(desktop_.handled(0, 0).size());
    const auto [unanswered, told] = dial();
    QCOMPARE(unanswered, 1);
    QVERIFY2(told.startsWith("zarvoth: The telephone program could not be started, so 047123 "
                             "was not dialled."),
             told.constData());

    OpenUriPortal portal;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                               QDBusConnection::ExportAllSlots));
    QCOMPARE(dial().first, 0);
    QCOMPARE(portal.opened, QStringList{"tel:047123"});
    // The portal alone was asked: the desktop's tel: program was not started beside it.
    QCOMPARE(desktop_.handled(before + 1, 1).size(), before);
    bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
    bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

// The test runs on a session bus of its own, which finds the service file in a scratch
// XDG_DATA_DIRS: it starts itself again under dbus-run-session.
int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("ZARVOTH_TEST_OWN_BUS")) {
        ::setenv("ZARVOTH_TEST_OWN_BUS", "1", 1);
        ::setenv("XDG_DATA_DIRS", SEARCH_PROVIDER_DATA, 1);
        // The provider needs no display, and the desktop it runs on is a plain one.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP",
                                 "DESKTOP_SESSION", "KDE_FULL_SESSION", "DBUS_SESSION_BUS_ADDRESS"})
            ::unsetenv(name);
        std::vector<char*> command = {const_cast<char*>("dbus-run-session"),
                                      const_cast<char*>("--")};
        command.insert(command.end(), argv, argv + argc);
        command.push_back(nullptr);
        ::execvp(command[0], command.data());
        qFatal("dbus-run-session could not be started");
    }
    QCoreApplication application(argc, argv);
    TestSearchProvider test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_search_provider.moc"
