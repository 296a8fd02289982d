#include "sync/carddav/registrable_domain.h"

#include <QHostAddress>
#include <QUrl>

#include <libpsl.h>

namespace carddav {
namespace {

// The newest list on the system (Debian's publicsuffix package), else the one libpsl was built
// with; loaded once, kept for the program's life.
const psl_ctx_t* suffixList()
{
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

} // namespace

QString registrableDomain(const QString& host)
{
    QString name = host.trimmed().toLower();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty() || !QHostAddress(name).isNull() || !suffixList())
        return {};
    // The list is matched in the names' ASCII form (xn--...).
    const QByteArray ascii = QUrl::toAce(name);
    if (ascii.isEmpty())
        return {};
    const char* domain = psl_registrable_domain(suffixList(), ascii.constData());
    return domain ? QString::fromLatin1(domain) : QString();
}

bool shareRegistrableDomain(const QString& one, const QString& other)
{
    const QString domain = registrableDomain(one);
    return !domain.isEmpty() && domain == registrableDomain(other);
}

} // namespace carddav
