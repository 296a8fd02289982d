#include "dialing/stored_number.h"

#include "dialing/tel_uri.h"
#include "window/form/store_text.h"

#include <QUrl>

QString composedNumber(const store::ContactRecord& record)
{
    // Dial is hidden while the phone box is empty: there is nothing to call then.
    if (record.Phone.trimmed().empty())
        return {};
    const QString prefix = record.UsePrefix == 1 ? fromStore(record.Prefix.text()) : QString();
    const QString code = record.UseStdCode == 1 ? fromStore(record.StdCode.text()) : QString();
    return prefix + code + fromStore(record.Phone.text());
}

QString dialledForm(const QString& composed)
{
    return telUri(composed).path();
}
