#include "search_provider/krunner_runner.h"

#include <QDBusMetaType>
#include <QRegularExpression>

namespace search_provider {
namespace {

// KRunner lists the best few of every runner.
constexpr qsizetype MostMatches = 20;
constexpr int ExactMatch = 100;
constexpr int PossibleMatch = 30;

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const RemoteMatch& match)
{
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance
             << match.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RemoteMatch& match)
{
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >>
        match.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const RemoteAction& action)
{
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, RemoteAction& action)
{
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

KRunnerRunner::KRunnerRunner(ContactResults& results, std::function<void()> heard,
                             std::function<void(const QString&)> notCalled, QObject* parent)
    : QObject(parent), results_(results), heard_(std::move(heard)), notCalled_(std::move(notCalled))
{
}

void KRunnerRunner::registerTypes()
{
    qDBusRegisterMetaType<RemoteMatch>();
    qDBusRegisterMetaType<QList<RemoteMatch>>();
    qDBusRegisterMetaType<RemoteAction>();
    qDBusRegisterMetaType<QList<RemoteAction>>();
}

QList<RemoteAction> KRunnerRunner::Actions()
{
    // Running a match calls the contact; there is nothing else to choose.
    heard_();
    return {};
}

QList<RemoteMatch> KRunnerRunner::Match(const QString& query)
{
    heard_();
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList terms = query.split(blanks, Qt::SkipEmptyParts);
    QList<RemoteMatch> matches;
    for (const Result& result : results_.search(terms, MostMatches)) {
        RemoteMatch match;
        match.id = result.id;
        match.text = result.name;
        match.iconName = QStringLiteral("zarvoth");
        match.type = result.closeness == 0 ? ExactMatch : PossibleMatch;
        match.relevance = 1.0 - 0.2 * result.closeness;
        match.properties.insert(QStringLiteral("subtext"), result.description);
        matches.append(match);
    }
    return matches;
}

void KRunnerRunner::Run(const QString& matchId, const QString& /*actionId*/)
{
    heard_();
    const QString reason = results_.dial(matchId);
    if (!reason.isEmpty())
        notCalled_(reason);
}

void KRunnerRunner::Teardown()
{
    heard_();
}

} // namespace search_provider
