#include "dialing/tel_uri.h"

#include "exchange/dialled_number.h"

QUrl telUri(const QString& number)
{
    QString dialled;
    for (QChar ch : number) {
        if (exchange::isDialled(ch.unicode()))
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
