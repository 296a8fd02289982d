#include "support/recording_tel_handler.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

void writeFile(const QString& path, const QByteArray& text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
}

QByteArray recorder(const QString& into)
{
    return "#!/bin/sh\nprintf '%s\\n' \"$*\" >>'" + into.toUtf8() + "'\n";
}

} // namespace

RecordingTelHandler::RecordingTelHandler() : environment_(QProcessEnvironment::systemEnvironment())
{
    const QString root = dir_.path();
    writeFile(root + QStringLiteral("/bin/tel-handler"),
              recorder(root + QStringLiteral("/handled")), true);
    writeFile(root + QStringLiteral("/bin/browser"), recorder(root + QStringLiteral("/browsed")),
              true);
    writeFile(dataHome() + QStringLiteral("/applications/zarvoth-recording-phone.desktop"),
              "[Desktop Entry]\nType=Application\nName=Recording phone\nExec=" + root.toUtf8() +
                  "/bin/tel-handler %u\nMimeType=x-scheme-handler/tel;\nNoDisplay=true\n");
    writeFile(root + QStringLiteral("/config/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/tel=zarvoth-recording-phone.desktop\n");
    QDir().mkpath(root + QStringLiteral("/system-data"));
    QDir().mkpath(root + QStringLiteral("/system-config"));

    // A plain desktop, as xdg-utils sees one when it knows no desktop environment, and no
    // display: the call needs none.
    for (const char* name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
          "XDG_SESSION_DESKTOP", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment_.remove(QLatin1String(name));
    environment_.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment_.insert(QStringLiteral("XDG_DATA_DIRS"), root + QStringLiteral("/system-data"));
    environment_.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/system-config"));
    environment_.insert(QStringLiteral("BROWSER"), root + QStringLiteral("/bin/browser"));
}

QString RecordingTelHandler::dataHome() const
{
    return dir_.path() + QStringLiteral("/data");
}

QStringList RecordingTelHandler::handled(int count, int seconds) const
{
    const QString path = dir_.path() + QStringLiteral("/handled");
    const QDeadlineTimer deadline(seconds * 1000);
    QStringList links;
    for (;;) {
        QFile file(path);
        links = file.open(QIODevice::ReadOnly)
                    ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                    : QStringList();
        if (links.size() >= count || deadline.hasExpired())
            return links;
        QThread::msleep(50);
    }
}

QString RecordingTelHandler::browsed() const
{
    QFile file(dir_.path() + QStringLiteral("/browsed"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void RecordingTelHandler::removeProgram()
{
    QFile::remove(dataHome() + QStringLiteral("/applications/zarvoth-recording-phone.desktop"));
    QFile::remove(dir_.path() + QStringLiteral("/config/mimeapps.list"));
}
