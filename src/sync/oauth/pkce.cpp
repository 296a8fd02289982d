#include "sync/oauth/pkce.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <vector>

namespace syncing {
namespace {

constexpr auto urlSafe = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

} // namespace

QByteArray randomWord(int bytes)
{
    std::vector<quint32> words(static_cast<std::size_t>(bytes + 3) / 4);
    QRandomGenerator::system()->fillRange(words.data(), static_cast<qsizetype>(words.size()));
    return QByteArray(reinterpret_cast<const char*>(words.data()), bytes).toBase64(urlSafe);
}

QByteArray s256Challenge(const QByteArray& verifier)
{
    return QCryptographicHash::hash(verifier, QCryptographicHash::Sha256).toBase64(urlSafe);
}

} // namespace syncing
