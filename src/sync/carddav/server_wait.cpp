#include "sync/carddav/server_wait.h"

#include <QLocale>

namespace carddav {
namespace {

// The three forms an HTTP date comes in: "Sun, 06 Nov 1994 08:49:37 GMT", the older
// "Sunday, 06-Nov-94 08:49:37 GMT" and C's asctime "Sun Nov  6 08:49:37 1994".
std::optional<QDateTime> httpDate(const QByteArray& text)
{
    // The weekday says nothing the date does not (and a two-digit year's would not match).
    const QString date = QString::fromLatin1(text.simplified()).section(QLatin1Char(' '), 1);
    for (const QString& format :
         {QStringLiteral("dd MMM yyyy HH:mm:ss 'GMT'"), QStringLiteral("dd-MMM-yy HH:mm:ss 'GMT'"),
          QStringLiteral("MMM d HH:mm:ss yyyy")}) {
        const QDateTime parsed = QLocale::c().toDateTime(date, format);
        if (!parsed.isValid())
            continue;
        // Two-digit years are of this century.
        const QDate day = parsed.date().year() < 1970 ? parsed.date().addYears(100) : parsed.date();
        return QDateTime(day, parsed.time(), Qt::UTC);
    }
    return std::nullopt;
}

} // namespace

bool asksToWait(int status)
{
    return status == 429 || status == 503;
}

std::optional<seconds> retryAfter(const QByteArray& header, const QDateTime& now)
{
    const QByteArray text = header.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool isNumber = false;
    const qlonglong delay = text.toLongLong(&isNumber);
    if (isNumber)
        return delay < 0 ? std::nullopt : std::optional<seconds>(seconds(delay));
    const std::optional<QDateTime> when = httpDate(text);
    if (!when)
        return std::nullopt;
    return seconds(std::max<qint64>(0, now.secsTo(*when)));
}

std::string durationText(milliseconds duration)
{
    const long long all = (duration.count() + 999) / 1000;
    if (all < 60)
        return std::to_string(all) + " s";
    std::string text = std::to_string(all / 60) + " min";
    if (all % 60 != 0)
        text += " " + std::to_string(all % 60) + " s";
    return text;
}

std::string askedToWaitText(milliseconds wait)
{
    return "the server asked to wait; asking again in " + durationText(wait);
}

std::string stillWorkingText(milliseconds working)
{
    return "the server is still working on its answer (" + durationText(working) + " so far)";
}

WaitDecision decideWait(std::optional<seconds> asked, int triesSoFar, milliseconds waitedInAll,
                        milliseconds mostInAll)
{
    seconds wait;
    if (asked) {
        // A server that says "now" is still given a moment, so that asking again and again
        // takes its time and ends within the sync's limit.
        wait = std::max(*asked, seconds(1));
    } else {
        if (triesSoFar >= MostTriesUntold)
            return {};
        wait = seconds(1 << triesSoFar);
    }
    if (waitedInAll + wait > mostInAll)
        return {};
    return {wait};
}

} // namespace carddav
