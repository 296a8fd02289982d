// The desktop's own telephone: the freedesktop.org default application for tel: links, as
// xdg-mime reports it, opened through xdg-open (or, without a display, started from its entry);
// inside a sandbox, the desktop portal.
#include "dialing/telephone.h"

#include "desktop/desktop_links.h"
#include "dialing/desktop_entry.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// A desktop entry id names vendor-app.desktop in an applications folder, or vendor/app.desktop.
// The entry's file; empty when it is in neither place.
QString desktopEntryPath(const QString& id)
{
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
    if (!path.isEmpty() || !id.contains(u'-'))
        return path;
    QString inFolder = id;
    inFolder.replace(inFolder.indexOf(u'-'), 1, u'/');
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, inFolder);
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

class DesktopTelephone final : public Telephone {
public:
    bool behindPortal() override { return desktop::behindPortal(); }

    QString telProgram() override
    {
        QProcess query;
        query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                 QStringLiteral("x-scheme-handler/tel")});
        if (!query.waitForFinished(LookUpMilliseconds) ||
            query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
            query.kill();
            query.waitForFinished(LookUpMilliseconds);
            return {};
        }
        const QString id = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
        // A default left behind by a removed program would make xdg-open try web browsers instead.
        return !id.isEmpty() && !desktopEntryPath(id).isEmpty() ? id : QString();
    }

    bool open(const QUrl& uri) override
    {
        if (behindPortal() || hasDisplay())
            return desktop::openLink(uri);
        // Without a display (a command in a terminal of another machine, a search started by
        // the bus) xdg-open knows no desktop and hands links to a web browser: the program
        // for tel: links is started from its entry instead, as the desktop itself starts it.
        const QStringList command =
            commandOpening(readDesktopEntry(desktopEntryPath(telProgram())),
                           QString::fromLatin1(uri.toEncoded()));
        return !command.isEmpty() && QProcess::startDetached(command.front(), command.mid(1));
    }

private:
    static constexpr int LookUpMilliseconds = 5000;
};

Telephone* standIn = nullptr;

} // namespace

Telephone& telephone()
{
    static DesktopTelephone desktop;
    return standIn ? *standIn : desktop;
}

void useTelephone(Telephone* replacement)
{
    standIn = replacement;
}
