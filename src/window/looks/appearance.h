#pragma once

// The looks of the window: measures, colours, fonts, the box, tab and focus-ring styles, the
// fitted captions and the icons. This room uses Qt and the controls it dresses, and knows
// nothing of contacts or files.

#include <QColor>
#include <QFont>
#include <QRect>

// The window's measures, colours and fonts. Places are given in twips, 15 to a pixel.
namespace appearance {

inline constexpr int TwipsPerPixel = 15;

constexpr QRect twips(int left, int top, int width, int height)
{
    return {left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
            height / TwipsPerPixel};
}

inline const QColor Teal{0, 128, 128};
inline const QColor Cyan{0, 255, 255};
inline const QColor White{255, 255, 255};
inline const QColor Red{255, 0, 0};
inline const QColor SearchFace{0, 192, 192};

// "MS Sans Serif" 8.25 pt; where the face is missing, a sans face of similar width.
QFont regularFont();
QFont boldFont();

// How far apart two colours stand for the eye, from 1 (the same) to 21 (black and white): the
// ratio of their relative luminances, each plus 0.05, the lighter over the darker.
double contrastRatio(const QColor& a, const QColor& b);

} // namespace appearance
