#include "search_provider/search_provider.h"

#include "dialing/telephone_application.h"
#include "search_provider/contact_results.h"
#include "search_provider/gnome_search_provider.h"
#include "search_provider/krunner_runner.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTimer>

#include <ostream>

namespace search_provider {
namespace {

// The shell starts the provider again when it next asks; a process left running would only
// hold memory.
constexpr int IdleMilliseconds = 60'000;
constexpr int BusWatchMilliseconds = 2'000;

// A call chosen from the desktop's search that did not go out is told the way the desktop
// tells such things, since there is no window to show a message in.
void notify(QDBusConnection& bus, const QString& reason)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    message << QStringLiteral("Zarvoth") << 0u << QStringLiteral("zarvoth")
            << QStringLiteral("Zarvoth") << reason << QStringList() << QVariantMap() << -1;
    bus.call(message, QDBus::NoBlock);
}

} // namespace

int run(std::ostream& err)
{
    const auto application = applicationForTheTelephone();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        err << "zarvoth: no session bus to serve the desktop's search on: "
            << bus.lastError().message().toStdString() << std::endl;
        return 1;
    }
    qDBusRegisterMetaType<QList<QVariantMap>>();
    KRunnerRunner::registerTypes();

    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(IdleMilliseconds);
    QObject::connect(&idle, &QTimer::timeout, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    const auto heard = [&idle] { idle.start(); };
    const auto notCalled = [&bus, &err](const QString& reason) {
        err << "zarvoth: " << reason.toStdString() << std::endl;
        notify(bus, reason);
    };

    ContactResults results(store::posixFileSystem());
    GnomeSearchProvider gnomeShell(results, heard, notCalled);
    KRunnerRunner kRunner(results, heard, notCalled);
    // The objects are in place before the name is taken: the bus hands over the first
    // question as soon as it is.
    if (!bus.registerObject(QLatin1String(GnomeShellPath), &gnomeShell,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerObject(QLatin1String(KRunnerPath), &kRunner,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QLatin1String(BusName))) {
        err << "zarvoth: the desktop's search could not be served on the session bus as " << BusName
            << ": " << bus.lastError().message().toStdString() << std::endl;
        return 1;
    }
    idle.start();
    // A session that ends takes its bus along; the provider then has no one left to answer.
    QTimer busWatch;
    busWatch.setInterval(BusWatchMilliseconds);
    QObject::connect(&busWatch, &QTimer::timeout, [&bus] {
        if (!bus.isConnected())
            QCoreApplication::quit();
    });
    busWatch.start();
    return QCoreApplication::exec();
}

} // namespace search_provider
