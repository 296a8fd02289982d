#include "window/looks/appearance.h"

#include <QFontDatabase>
#include <QStringList>

#include <cmath>

namespace appearance {

namespace {

// The faces the window is drawn in, best first, as far as the desktop has them. A face asked
// for and missing costs a search of the desktop's fallbacks for each style of it (over a
// million instructions each, before the window can show), so only installed faces are named;
// with none of them installed, the list stays whole and Qt finds a sans face of its own.
QStringList installedFaces()
{
    static const QStringList faces = [] {
        const QStringList wanted{QStringLiteral("MS Sans Serif"),
                                 QStringLiteral("Microsoft Sans Serif"),
                                 QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                 QStringLiteral("DejaVu Sans")};
        const QStringList installed = QFontDatabase::families();
        QStringList found;
        for (const QString& face : wanted)
            if (installed.contains(face, Qt::CaseInsensitive))
                found.append(face);
        return found.isEmpty() ? wanted : found;
    }();
    return faces;
}

} // namespace

QFont regularFont()
{
    QFont font;
    font.setFamilies(installedFaces());
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

namespace {

// The light a colour of the sRGB screen gives off, from 0 (black) to 1 (white).
double relativeLuminance(const QColor& colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace appearance
