#include "dialing/call_handover.h"

#include "dialing/tel_uri.h"
#include "dialing/telephone.h"

#include <QCoreApplication>
#include <QStringList>
#include <QUrl>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DialButton", text);
}

// "x"; "," and "x"; "/", "," and "x". A character that does not show is given by its code.
QString named(const QStringList& characters)
{
    QStringList names;
    for (const QString& ch : characters) {
        const char32_t code = ch.toUcs4().value(0);
        names.append(QChar::isPrint(code) ? QStringLiteral("\"%1\"").arg(ch)
                                          : QStringLiteral("U+%1")
                                                .arg(static_cast<uint>(code), 4, 16, QChar(u'0'))
                                                .toUpper());
    }
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + tr(" and ") + last;
}

// The number as the user sees it, without the blank fill of the boxes.
QString shown(const QString& number)
{
    return number.simplified().remove(u' ');
}

} // namespace

QString handOverCall(const QString& number, Telephone& telephone)
{
    if (number.isEmpty())
        return {};
    const QStringList undialable = undialableCharacters(number);
    if (!undialable.isEmpty()) {
        return tr("\"%1\" was not dialled: it holds %2, which cannot be dialled.\n\n"
                  "A number is dialled from its digits and \"+\", \"*\" and \"#\"; blanks and "
                  "the separators \"-\", \".\", \"(\" and \")\" are left out. Correct the "
                  "prefix, STD code or phone number and press Dial again.")
            .arg(shown(number), named(undialable));
    }
    const QUrl uri = telUri(number);
    if (uri.isEmpty())
        return tr("\"%1\" was not dialled: it holds no digits.").arg(shown(number));
    const QString digits = uri.path();
    if (!telephone.behindPortal() && telephone.telProgram().isEmpty()) {
        return tr("No program is set up to place calls, so %1 was not dialled.\n\n"
                  "Install a telephone program that takes tel: links, for instance one of the "
                  "Debian packages gnome-calls, linphone-desktop or kdeconnect (which calls "
                  "through your paired phone), or choose one for tel: links in the desktop's "
                  "settings.")
            .arg(digits);
    }
    if (!telephone.open(uri)) {
        return tr("The telephone program could not be started, so %1 was not dialled.\n\n"
                  "Check the program chosen for tel: links in the desktop's settings.")
            .arg(digits);
    }
    return {};
}
