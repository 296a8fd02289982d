#include "dialing/tel_uri.h"

namespace {

bool isDialled(QChar ch)
{
    return (ch >= u'0' && ch <= u'9') || ch == u'+' || ch == u'*' || ch == u'#';
}

} // namespace

QUrl telUri(const QString& number)
{
    QString dialled;
    for (QChar ch : number) {
        if (isDialled(ch))
            dialled.append(ch);
    }
    if (dialled.isEmpty())
        return {};
    QUrl uri;
    uri.setScheme(QStringLiteral("tel"));
    // Decoded, so that "#" is part of the number (sent as %23), not the start of a fragment.
    uri.setPath(dialled, QUrl::DecodedMode);
    return uri;
}
