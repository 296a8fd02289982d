#pragma once

#include "store/contact_record.h"

#include <QByteArray>

// The fields a test looks at, each trimmed, joined by "|": nick|full|family|city|phone|prefix|
// ticked (the prefix's tick).
inline QByteArray fieldsOf(const store::ContactRecord& r)
{
    const auto trimmed = [](std::string_view text) {
        return QByteArray::fromStdString(std::string(text)).trimmed();
    };
    return trimmed(r.Nick.text()) + "|" + trimmed(r.FullName.text()) + "|" +
           trimmed(r.FamilyName.text()) + "|" + trimmed(r.City.text()) + "|" +
           trimmed(r.Phone.text()) + "|" + trimmed(r.Prefix.text()) + "|" +
           QByteArray::number(r.UsePrefix);
}
