#include "search/shown_contact.h"

#include "search/text_folding.h"
#include "window/form/store_text.h"

namespace search {

QString shownField(std::string_view stored)
{
    QString text = fromStore(store::trimBlanks(stored));
    for (QChar& ch : text) {
        if (ch.category() == QChar::Other_Control)
            ch = u' ';
    }
    return text;
}

QString shownName(const store::ContactRecord& record)
{
    const QString full = shownField(record.FullName.text());
    const QString family = shownField(record.FamilyName.text());
    if (full.isEmpty() && family.isEmpty())
        return shownField(record.Nick.text());
    std::string foldedFull;
    std::string foldedFamily;
    appendFoldedStored(foldedFull, record.FullName.trimmed());
    appendFoldedStored(foldedFamily, record.FamilyName.trimmed());
    if (family.isEmpty() || foldedFull.find(foldedFamily) != std::string::npos)
        return full;
    return full.isEmpty() ? family : full + u' ' + family;
}

} // namespace search
