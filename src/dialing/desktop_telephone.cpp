// The desktop's own telephone: the freedesktop.org default application for tel: links, as
// xdg-mime reports it, opened through xdg-open; inside a sandbox, the desktop portal.
#include "dialing/telephone.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// A desktop entry id names vendor-app.desktop in an applications folder, or vendor/app.desktop.
bool desktopEntryInstalled(const QString& id)
{
    QString inFolder = id;
    inFolder.replace(inFolder.indexOf(u'-'), 1, u'/');
    return !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id).isEmpty() ||
           (id.contains(u'-') &&
            !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, inFolder).isEmpty());
}

class DesktopTelephone final : public Telephone {
public:
    bool behindPortal() override
    {
        return QFileInfo::exists(QStringLiteral("/.flatpak-info")) ||
               qEnvironmentVariableIsSet("SNAP");
    }

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
        return !id.isEmpty() && desktopEntryInstalled(id) ? id : QString();
    }

    bool open(const QUrl& uri) override
    {
        if (behindPortal())
            return QDesktopServices::openUrl(uri);
        // Detached: the window never waits for the phone program, which may run for the whole
        // call.
        return QProcess::startDetached(QStringLiteral("xdg-open"),
                                       {QString::fromLatin1(uri.toEncoded())});
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
