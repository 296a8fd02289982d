#pragma once

#include "search_provider/contact_results.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// GNOME Shell's side: what is typed in the overview gives contacts, each shown by its name
// with its number below; choosing one calls it.
namespace search_provider {

class GnomeSearchProvider : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.SearchProvider2")

public:
    // `heard` is called at every question, `notCalled` with the reason when a chosen
    // contact could not be called.
    GnomeSearchProvider(ContactResults& results, std::function<void()> heard,
                        std::function<void(const QString&)> notCalled, QObject* parent = nullptr);

public slots:
    QStringList GetInitialResultSet(const QStringList& terms);
    QStringList GetSubsearchResultSet(const QStringList& previousResults, const QStringList& terms);
    QList<QVariantMap> GetResultMetas(const QStringList& identifiers);
    void ActivateResult(const QString& identifier, const QStringList& terms, uint timestamp);
    void LaunchSearch(const QStringList& terms, uint timestamp);

private:
    ContactResults& results_;
    std::function<void()> heard_;
    std::function<void(const QString&)> notCalled_;
};

} // namespace search_provider
