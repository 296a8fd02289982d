#include "desktop/desktop_links.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QVariantMap>

namespace desktop {
namespace {

// False when no portal answered.
bool openThroughPortal(const QUrl& link)
{
    // The portal answers at once with a request of its own; the choice of program, and any
    // question to the user, come after, so waiting for the answer never waits for the user.
    constexpr int AnswerMilliseconds = 5000;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenURI"));
    message << QString() << QString::fromLatin1(link.toEncoded()) << QVariantMap();
    const QDBusMessage answer =
        QDBusConnection::sessionBus().call(message, QDBus::Block, AnswerMilliseconds);
    return answer.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool behindPortal()
{
    return QFileInfo::exists(QStringLiteral("/.flatpak-info")) || qEnvironmentVariableIsSet("SNAP");
}

bool openLink(const QUrl& link)
{
    if (behindPortal())
        return openThroughPortal(link);
    // Detached: nothing waits for the program, which may run for a whole call.
    return QProcess::startDetached(QStringLiteral("xdg-open"),
                                   {QString::fromLatin1(link.toEncoded())});
}

} // namespace desktop
