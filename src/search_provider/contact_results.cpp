#include "search_provider/contact_results.h"

#include "dialing/call_handover.h"
#include "dialing/stored_number.h"
#include "dialing/telephone.h"
#include "search/contact_matching.h"
#include "search/shown_contact.h"
#include "store/store_error.h"
#include "transfer/book_reading.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace search_provider {
namespace {

std::uint64_t fingerprint(const store::ContactRecord& record)
{
    // FNV-1a over every byte but the record's own number, which a deletion before it changes.
    const store::RecordBytes bytes = store::encodeRecord(record);
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t at = store::offset::Nick; at < bytes.size(); ++at)
        hash = (hash ^ bytes[at]) * 1099511628211ull;
    return hash;
}

Result resultOf(std::int32_t recordNo, const store::ContactRecord& record)
{
    QString number = dialledForm(composedNumber(record));
    // A number Dial refuses is shown as stored, so that the user sees what to correct.
    if (number.isEmpty())
        number = search::shownField(record.Phone.text());
    return {resultId(recordNo, record), search::shownName(record), number,
            search::shownField(record.Nick.text())};
}

} // namespace

QString bookFolder()
{
    // A relative XDG_DATA_HOME is not valid and is ignored, as the launcher ignores it.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/zarvoth");
}

QString resultId(std::int32_t recordNo, const store::ContactRecord& record)
{
    return QString::number(recordNo) + u':' + QString::number(fingerprint(record), 16);
}

std::optional<store::ContactRecord> recordOf(const QString& id,
                                             const std::vector<store::ContactRecord>& book)
{
    const qsizetype colon = id.indexOf(u':');
    bool placeRead = false;
    bool printRead = false;
    const qlonglong place = id.left(colon).toLongLong(&placeRead);
    const std::uint64_t print = id.mid(colon + 1).toULongLong(&printRead, 16);
    if (colon < 0 || !placeRead || !printRead)
        return std::nullopt;
    if (place >= 1 && place <= static_cast<qlonglong>(book.size()) &&
        fingerprint(book[static_cast<std::size_t>(place - 1)]) == print)
        return book[static_cast<std::size_t>(place - 1)];
    const auto moved = std::find_if(book.begin(), book.end(), [&](const store::ContactRecord& r) {
        return fingerprint(r) == print;
    });
    if (moved == book.end())
        return std::nullopt;
    return *moved;
}

std::vector<store::ContactRecord> ContactResults::book()
{
    // Never made here: the folder is the window's to make, and without it there is no book.
    if (!QFileInfo(bookFolder()).isDir() || !QDir::setCurrent(bookFolder()))
        return {};
    try {
        return transfer::readBook(fs_);
    } catch (const store::StoreError& error) {
        std::fprintf(stderr, "zarvoth: %s\n", error.what());
        return {};
    }
}

QList<Result> ContactResults::search(const QStringList& terms, qsizetype limit)
{
    const search::ContactQuery query = search::ContactQuery::fromTerms(terms);
    if (query.asksNothing())
        return {};
    const std::vector<store::ContactRecord> records = book();
    // The closest first, each closeness in stored order; only those shown are made results.
    std::vector<std::pair<int, std::size_t>> found;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (const std::optional<int> closeness = query.closenessIfFound(records[i]))
            found.emplace_back(*closeness, i);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<Result> results;
    for (const auto& [closeness, i] : found) {
        if (results.size() == limit)
            break;
        results.append(resultOf(static_cast<std::int32_t>(i + 1), records[i]));
        results.back().closeness = closeness;
    }
    return results;
}

QList<Result> ContactResults::describe(const QStringList& ids)
{
    const std::vector<store::ContactRecord> records = book();
    QList<Result> results;
    for (const QString& id : ids) {
        if (const std::optional<store::ContactRecord> record = recordOf(id, records)) {
            Result result = resultOf(0, *record);
            result.id = id;
            results.append(std::move(result));
        }
    }
    return results;
}

QString ContactResults::dial(const QString& id)
{
    const std::optional<store::ContactRecord> record = recordOf(id, book());
    if (!record)
        return QStringLiteral("This contact is no longer among your contacts, so nothing was "
                              "dialled.");
    const QString number = composedNumber(*record);
    if (number.isEmpty())
        return QStringLiteral("\"%1\" has no phone number, so nothing was dialled.")
            .arg(search::shownField(record->Nick.text()));
    return handOverCall(number, telephone());
}

} // namespace search_provider
