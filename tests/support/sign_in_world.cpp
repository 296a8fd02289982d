#include "support/sign_in_world.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <stdexcept>

namespace {

// A machine shared with builds may take a while to start node or python.
constexpr int StartMs = 60000;

void writeFile(const QString& path, const QByteArray& text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString());
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
}

// Reads lines until one starts "listening PORT"; the port.
int listeningPort(QProcess& process, const QString& what)
{
    const QDeadlineTimer deadline(StartMs);
    QByteArray seen;
    while (!deadline.hasExpired()) {
        if (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            seen += line + '\n';
            if (line.startsWith("listening "))
                return line.mid(10).toInt();
            continue;
        }
        if (process.state() == QProcess::NotRunning)
            break;
        process.waitForReadyRead(200);
    }
    throw std::runtime_error(what.toStdString() + " did not start: " + seen.toStdString() +
                             process.readAllStandardError().toStdString());
}

} // namespace

ServerProcess::ServerProcess(const QString& program, const QStringList& arguments, const char* what,
                             const QString& folder)
    : what_(QString::fromUtf8(what))
{
    process_.setWorkingDirectory(folder);
    process_.start(program, arguments);
    port_ = listeningPort(process_, what_);
}

ServerProcess::~ServerProcess()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(10000);
}

QUrl ServerProcess::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
}

void ServerProcess::readLines()
{
    while (process_.canReadLine())
        lines_ << QString::fromUtf8(process_.readLine().trimmed());
}

void ServerProcess::command(const QByteArray& line)
{
    const QString done = QStringLiteral("done ") + QString::fromLatin1(line.split(' ').front());
    const qsizetype before = lines_.count(done);
    process_.write(line + '\n');
    const QDeadlineTimer deadline(10000);
    while (lines_.count(done) == before && !deadline.hasExpired()) {
        process_.waitForReadyRead(100);
        readLines();
    }
    if (lines_.count(done) == before)
        throw std::runtime_error(what_.toStdString() + " did not take " + line.toStdString());
}

QStringList ServerProcess::said(const QString& word)
{
    process_.waitForReadyRead(200);
    readLines();
    QStringList found;
    const QString prefix = word + u' ';
    for (const QString& line : lines_)
        if (line.startsWith(prefix))
            found << line.mid(prefix.size());
    return found;
}

AuthorizationServer::AuthorizationServer()
    : process_(QStringLiteral("node"), {QStringLiteral("serve.mjs")}, "the authorization server",
               QStringLiteral(ZARVOTH_OAUTH_SERVER_DIR))
{
}

QUrl AuthorizationServer::issuer() const
{
    return process_.url(QString());
}

QUrl AuthorizationServer::introspection() const
{
    return process_.url(QStringLiteral("/introspect"));
}

BearerFront::BearerFront(const QUrl& backend, const QUrl& introspection)
    : process_(QStringLiteral("python3"),
               {QStringLiteral(ZARVOTH_BEARER_FRONT), backend.toString(), introspection.toString()},
               "the bearer front")
{
}

SignInDesktop::SignInDesktop()
{
    const QString root = dir_.path();
    const QByteArray rootBytes = root.toUtf8();
    writeFile(root + QStringLiteral("/bin/browser"),
              "#!/bin/sh\n"
              "printf '%s\\n' \"$1\" >>'" +
                  rootBytes +
                  "/browsed'\n"
                  "case \"$(cat '" +
                  rootBytes +
                  "/person' 2>/dev/null)\" in\n"
                  "away) exit 0 ;;\n"
                  "other-state) link=$(printf '%s' \"$1\" | sed "
                  "'s/\\([?&]state=\\)[^&]*/\\1not-this-one/') ;;\n"
                  "*) link=$1 ;;\n"
                  "esac\n"
                  "exec curl -sS -L --max-redirs 8 --max-time 120 -o '" +
                  rootBytes + "/page' \"$link\"\n",
              true);
    writeFile(root + QStringLiteral("/data/applications/zarvoth-test-browser.desktop"),
              "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" + rootBytes +
                  "/bin/browser %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n"
                  "NoDisplay=true\n");
    writeFile(root + QStringLiteral("/config/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/http=zarvoth-test-browser.desktop\n"
              "x-scheme-handler/https=zarvoth-test-browser.desktop\n");
    QDir().mkpath(root + QStringLiteral("/home"));
    QDir().mkpath(root + QStringLiteral("/runtime"));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void SignInDesktop::setPerson(Person person)
{
    const QByteArray said = person == Person::WalksAway            ? "away"
                            : person == Person::BringsAnotherState ? "other-state"
                                                                   : "signs-in";
    writeFile(dir_.path() + QStringLiteral("/person"), said);
}

QStringList SignInDesktop::browsed() const
{
    QFile file(dir_.path() + QStringLiteral("/browsed"));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
               : QStringList();
}

QString SignInDesktop::configFolder() const
{
    return dir_.path() + QStringLiteral("/config");
}

QByteArray SignInDesktop::lastPage() const
{
    QFile file(dir_.path() + QStringLiteral("/page"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProcessEnvironment SignInDesktop::environment(bool withKeyring) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A plain desktop without a display, as xdg-open sees one it knows nothing of: it hands
    // web links to $BROWSER.
    for (const char* name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
          "XDG_SESSION_DESKTOP", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
          "DBUS_SESSION_BUS_ADDRESS", "GNOME_KEYRING_CONTROL"})
        environment.remove(QLatin1String(name));
    const QString root = dir_.path();
    environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), root + QStringLiteral("/system-data"));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/system-config"));
    environment.insert(QStringLiteral("BROWSER"), root + QStringLiteral("/bin/browser"));
    if (!withKeyring)
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    return environment;
}

QProcess* SignInDesktop::start(const QString& program, const QStringList& arguments,
                               bool withKeyring, const QString& workingDirectory)
{
    auto* process = new QProcess;
    process->setProcessEnvironment(environment(withKeyring));
    process->setWorkingDirectory(workingDirectory);
    if (!withKeyring) {
        process->start(program, arguments);
        return process;
    }
    // The login keyring, made at the first start and unlocked with the same password after.
    const QString session = QStringLiteral(
        "printf secret | gnome-keyring-daemon --unlock --components=secrets >/dev/null && "
        "exec \"$@\"");
    process->start(QStringLiteral("dbus-run-session"),
                   QStringList{QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                               session, QStringLiteral("keyring"), program} +
                       arguments);
    return process;
}

QByteArray SignInDesktop::keyringBytes() const
{
    QByteArray bytes;
    for (const QString& path : filesBelow(dir_.path() + QStringLiteral("/data/keyrings"))) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            bytes += file.readAll();
    }
    return bytes;
}

QStringList SignInDesktop::filesOutsideTheKeyring() const
{
    QStringList files;
    for (const QString& path : filesBelow(dir_.path()))
        if (!path.contains(QLatin1String("/data/keyrings/")) &&
            !path.endsWith(QLatin1String("/page")))
            files << path;
    return files;
}

QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}
