#include "sync/carddav/digest_login.h"

#include <QByteArrayList>
#include <QCryptographicHash>

namespace carddav {
namespace {

bool isTokenChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArray("!#$%&'*+-.^_`|~/").contains(c);
}

// Reads a header's text piece by piece: tokens, quoted strings, the separators between.
class HeaderReader {
public:
    explicit HeaderReader(const QByteArray& text) : text_(text) {}

    bool atEnd()
    {
        skipSpace();
        return at_ >= text_.size();
    }
    bool ahead(char c)
    {
        skipSpace();
        return at_ < text_.size() && text_[at_] == c;
    }
    bool take(char c)
    {
        skipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    // A token (trailing '=' of a token68 included), empty when none starts here.
    QByteArray token()
    {
        skipSpace();
        const qsizetype start = at_;
        while (at_ < text_.size() && isTokenChar(text_[at_]))
            ++at_;
        return text_.mid(start, at_ - start);
    }
    QByteArray value()
    {
        skipSpace();
        if (at_ >= text_.size() || text_[at_] != '"')
            return token();
        QByteArray unquoted;
        for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
            if (text_[at_] == '\\' && at_ + 1 < text_.size())
                ++at_;
            unquoted += text_[at_];
        }
        ++at_; // the closing quote
        return unquoted;
    }
    qsizetype position() const { return at_; }
    void rewind(qsizetype position) { at_ = position; }

private:
    void skipSpace()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t'))
            ++at_;
    }

    QByteArray text_;
    qsizetype at_ = 0;
};

// The parameters after a scheme, up to the next challenge's scheme or the end.
void readParams(HeaderReader& reader, AuthChallenge& challenge)
{
    for (;;) {
        while (reader.take(','))
            ;
        const qsizetype start = reader.position();
        const QByteArray name = reader.token().toLower();
        if (name.isEmpty() || !reader.take('=')) {
            // Another challenge's scheme, or nothing this reader understands.
            reader.rewind(start);
            return;
        }
        if (reader.atEnd() || reader.ahead(',') || reader.ahead('=')) {
            // A token68 ("Negotiate abc=="): the whole of this challenge.
            while (reader.take('='))
                ;
            return;
        }
        challenge.params[name] = reader.value();
    }
}

std::optional<QCryptographicHash::Algorithm> hashOf(const QByteArray& algorithm)
{
    const QByteArray name = algorithm.toUpper();
    if (name == "MD5" || name == "MD5-SESS")
        return QCryptographicHash::Md5;
    if (name == "SHA-256" || name == "SHA-256-SESS")
        return QCryptographicHash::Sha256;
    return std::nullopt;
}

QByteArray quoted(const QByteArray& value)
{
    QByteArray escaped = value;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + escaped + '"';
}

} // namespace

std::vector<AuthChallenge> parseChallenges(const QByteArray& header)
{
    std::vector<AuthChallenge> challenges;
    HeaderReader reader(header);
    while (!reader.atEnd()) {
        if (reader.take(','))
            continue;
        const QByteArray scheme = reader.token();
        if (scheme.isEmpty())
            break; // not a header this reader understands: what was read stands
        AuthChallenge challenge{scheme.toLower(), {}};
        readParams(reader, challenge);
        challenges.push_back(std::move(challenge));
    }
    return challenges;
}

std::optional<DigestChallenge> digestChallenge(const AuthChallenge& challenge)
{
    if (challenge.scheme != "digest" || !challenge.params.contains("nonce"))
        return std::nullopt;
    const auto param = [&](const char* name) {
        const auto found = challenge.params.find(name);
        return found == challenge.params.end() ? QByteArray() : found->second;
    };
    DigestChallenge digest;
    digest.realm = param("realm");
    digest.nonce = param("nonce");
    digest.opaque = param("opaque");
    if (!param("algorithm").isEmpty())
        digest.algorithm = param("algorithm");
    if (!hashOf(digest.algorithm))
        return std::nullopt;
    if (challenge.params.contains("qop")) {
        for (const QByteArray& qop : param("qop").split(','))
            digest.qopAuth = digest.qopAuth || qop.trimmed().toLower() == "auth";
        if (!digest.qopAuth)
            return std::nullopt;
    }
    digest.stale = param("stale").toLower() == "true";
    return digest;
}

QByteArray digestResponse(const DigestChallenge& challenge, const QString& user,
                          const QString& password, const QByteArray& method, const QByteArray& uri,
                          unsigned nonceCount, const QByteArray& cnonce)
{
    const QCryptographicHash::Algorithm algorithm = hashOf(challenge.algorithm).value();
    const auto hash = [algorithm](const QByteArray& text) {
        return QCryptographicHash::hash(text, algorithm).toHex();
    };
    QByteArray secret = hash(user.toUtf8() + ':' + challenge.realm + ':' + password.toUtf8());
    if (challenge.algorithm.toLower().endsWith("-sess"))
        secret = hash(secret + ':' + challenge.nonce + ':' + cnonce);
    const QByteArray request = hash(method + ':' + uri);
    if (!challenge.qopAuth)
        return hash(secret + ':' + challenge.nonce + ':' + request);
    const QByteArray count = QByteArray::number(nonceCount, 16).rightJustified(8, '0');
    return hash(secret + ':' + challenge.nonce + ':' + count + ':' + cnonce + ":auth:" + request);
}

QByteArray digestAuthorization(const DigestChallenge& challenge, const QString& user,
                               const QString& password, const QByteArray& method,
                               const QByteArray& uri, unsigned nonceCount, const QByteArray& cnonce)
{
    QByteArray header =
        "Digest username=" + quoted(user.toUtf8()) + ", realm=" + quoted(challenge.realm) +
        ", nonce=" + quoted(challenge.nonce) + ", uri=" + quoted(uri) +
        ", algorithm=" + challenge.algorithm + ", response=" +
        quoted(digestResponse(challenge, user, password, method, uri, nonceCount, cnonce));
    if (challenge.qopAuth)
        header += ", qop=auth, nc=" + QByteArray::number(nonceCount, 16).rightJustified(8, '0') +
                  ", cnonce=" + quoted(cnonce);
    if (!challenge.opaque.isEmpty())
        header += ", opaque=" + quoted(challenge.opaque);
    return header;
}

} // namespace carddav
