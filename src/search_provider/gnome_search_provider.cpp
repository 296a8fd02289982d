#include "search_provider/gnome_search_provider.h"

#include "search_provider/window_launch.h"

namespace search_provider {
namespace {

// The overview shows a handful of results for each program; more are for the window.
constexpr qsizetype MostResults = 50;

QStringList idsOf(const QList<Result>& results)
{
    QStringList ids;
    for (const Result& result : results)
        ids.append(result.id);
    return ids;
}

} // namespace

GnomeSearchProvider::GnomeSearchProvider(ContactResults& results, std::function<void()> heard,
                                         std::function<void(const QString&)> notCalled,
                                         QObject* parent)
    : QObject(parent), results_(results), heard_(std::move(heard)), notCalled_(std::move(notCalled))
{
}

QStringList GnomeSearchProvider::GetInitialResultSet(const QStringList& terms)
{
    heard_();
    return idsOf(results_.search(terms, MostResults));
}

QStringList GnomeSearchProvider::GetSubsearchResultSet(const QStringList& /*previousResults*/,
                                                       const QStringList& terms)
{
    // Searched afresh rather than among the earlier results: the book may have changed, and
    // the earlier list was cut at MostResults.
    heard_();
    return idsOf(results_.search(terms, MostResults));
}

QList<QVariantMap> GnomeSearchProvider::GetResultMetas(const QStringList& identifiers)
{
    heard_();
    QList<QVariantMap> metas;
    for (const Result& result : results_.describe(identifiers)) {
        metas.append({{QStringLiteral("id"), result.id},
                      {QStringLiteral("name"), result.name},
                      {QStringLiteral("description"), result.description}});
    }
    return metas;
}

void GnomeSearchProvider::ActivateResult(const QString& identifier, const QStringList& /*terms*/,
                                         uint /*timestamp*/)
{
    heard_();
    const QString reason = results_.dial(identifier);
    if (!reason.isEmpty())
        notCalled_(reason);
}

void GnomeSearchProvider::LaunchSearch(const QStringList& terms, uint /*timestamp*/)
{
    heard_();
    openWindowOn(terms);
}

} // namespace search_provider
