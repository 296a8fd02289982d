#include "window/appearance.h"

#include <QStringList>

namespace appearance {

QFont regularFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

QFont boldFont()
{
    QFont font = regularFont();
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace appearance
