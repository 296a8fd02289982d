#pragma once

#include "search_provider/contact_results.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// KRunner's side: the same contacts for what is typed, the number as the line below the name;
// running a match calls it.
namespace search_provider {

struct RemoteMatch {
    QString id;
    QString text;
    QString iconName;
    int type = 0; // KRunner's category: 100 exact, 30 possible
    double relevance = 0;
    QVariantMap properties;
};

struct RemoteAction {
    QString id;
    QString text;
    QString iconName;
};

QDBusArgument& operator<<(QDBusArgument& argument, const RemoteMatch& match);
const QDBusArgument& operator>>(const QDBusArgument& argument, RemoteMatch& match);
QDBusArgument& operator<<(QDBusArgument& argument, const RemoteAction& action);
const QDBusArgument& operator>>(const QDBusArgument& argument, RemoteAction& action);

class KRunnerRunner : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.krunner1")

public:
    KRunnerRunner(ContactResults& results, std::function<void()> heard,
                  std::function<void(const QString&)> notCalled, QObject* parent = nullptr);

    // Makes the types above known to the bus; once, before the runner is registered.
    static void registerTypes();

public slots:
    QList<search_provider::RemoteAction> Actions();
    QList<search_provider::RemoteMatch> Match(const QString& query);
    void Run(const QString& matchId, const QString& actionId);
    void Teardown();

private:
    ContactResults& results_;
    std::function<void()> heard_;
    std::function<void(const QString&)> notCalled_;
};

} // namespace search_provider

Q_DECLARE_METATYPE(search_provider::RemoteMatch)
Q_DECLARE_METATYPE(search_provider::RemoteAction)
