#include "window/sync/desktop_browser.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>

bool openInBrowser(const QUrl& address)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QDesktopServices::openUrl(address);
    return QProcess::startDetached(QStringLiteral("xdg-open"),
                                   {QString::fromLatin1(address.toEncoded())});
}
