#include "editing/record_from_boxes.h"

#include "window/controls/text_box.h"
#include "window/form/check_value.h"
#include "window/form/form1x.h"

QString storableText(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            plain.append(c);
    }
    return trimBlanks(plain);
}

store::ContactRecord recordFromBoxes(const Form1x& window)
{
    const auto stored = [](const TextBox* box) { return toStore(storableText(box->text())); };
    store::ContactRecord record;
    record.Nick.assign(stored(window.TxtNick));
    record.FullName.assign(stored(window.TxtAdName));
    record.FamilyName.assign(stored(window.TxtAdFname));
    record.City.assign(stored(window.TxtAdAdd));
    record.Phone.assign(stored(window.TxtAdPhon));
    record.Prefix.assign(stored(window.Txtprefx));
    record.StdCode.assign(stored(window.TxtCode));
    record.UsePrefix = checkValueOf(window.Chkprefx);
    record.UseStdCode = checkValueOf(window.Chkcode);
    return record;
}

bool sameTexts(const store::ContactRecord& a, const store::ContactRecord& b)
{
    return a.Nick.trimmed() == b.Nick.trimmed() && a.FullName.trimmed() == b.FullName.trimmed() &&
           a.FamilyName.trimmed() == b.FamilyName.trimmed() &&
           a.City.trimmed() == b.City.trimmed() && a.Phone.trimmed() == b.Phone.trimmed() &&
           a.Prefix.trimmed() == b.Prefix.trimmed() && a.StdCode.trimmed() == b.StdCode.trimmed();
}
