#include "dialing/tel_uri.h"

#include "exchange/dialled_number.h"

namespace {

using exchange::isDialled;

bool isLeftOut(char32_t ch)
{
    return QChar::isSpace(ch) || ch == U'-' || ch == U'.' || ch == U'(' || ch == U')';
}

} // namespace

QStringList undialableCharacters(const QString& number)
{
    QStringList found;
    for (char32_t ch : number.toUcs4()) {
        const QString character = QString::fromUcs4(&ch, 1);
        if (!isDialled(ch) && !isLeftOut(ch) && !found.contains(character))
            found.append(character);
    }
    return found;
}

QUrl telUri(const QString& number)
{
    QString dialled;
    for (char32_t ch : number.toUcs4()) {
        if (isDialled(ch))
            dialled.append(QChar(ch));
        else if (!isLeftOut(ch))
            return {};
    }
    if (dialled.isEmpty())
        return {};
    QUrl uri;
    uri.setScheme(QStringLiteral("tel"));
    // Decoded, so that "#" is part of the number (sent as %23), not the start of a fragment.
    uri.setPath(dialled, QUrl::DecodedMode);
    return uri;
}
