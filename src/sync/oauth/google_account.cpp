#include "sync/oauth/google_account.h"

#include "sync/oauth/provider_metadata.h"
#include "sync/setup/set_up_state.h"

namespace syncing {
namespace {

bool isGmailAddress(const QString& typed)
{
    if (!isMailAddress(typed))
        return false;
    const QString domain = typed.trimmed().section(u'@', 1).toLower();
    return domain == QLatin1String("gmail.com") || domain == QLatin1String("googlemail.com");
}

} // namespace

std::optional<OAuthClient> builtInGoogleClient()
{
    const QString id = QStringLiteral(ZARVOTH_GOOGLE_CLIENT_ID);
    if (id.isEmpty())
        return std::nullopt;
    return OAuthClient{googleIssuer(), id, QStringLiteral(ZARVOTH_GOOGLE_CLIENT_SECRET)};
}

bool isGoogleAccount(const QString& typed)
{
    if (isGmailAddress(typed))
        return true;
    const std::optional<QUrl> address = serverAddress(typed);
    return address && isGoogleServer(*address);
}

QUrl googleAccountStart(const QString& typed)
{
    if (isGmailAddress(typed))
        return QUrl(QStringLiteral("https://www.googleapis.com/.well-known/carddav"));
    return serverAddress(typed).value_or(QUrl());
}

} // namespace syncing
