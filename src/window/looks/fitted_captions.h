#pragma once

#include <QFont>
#include <QSizeF>
#include <QStringList>

class QWidget;

// Captions that fit their places whatever sans face the desktop offers. The places of the
// controls are fixed; a face wider or taller than the one the window was laid out for would
// cut a caption or run it into the next control, so such a caption is drawn smaller instead.
namespace fitted_captions {

// The room the text takes in the font where a pixel is that many device pixels: the face is
// drawn at that multiple of its size there, hinted to the device pixels.
QSizeF textSize(const QFont& font, const QString& text, qreal devicePixelRatio);

// The font, made smaller a quarter point at a time, until every text fits the room (or the
// font reaches the smallest size still worth reading).
QFont fittingFont(QFont font, const QStringList& texts, QSizeF room, qreal devicePixelRatio);

// Draws smaller each caption of the window's labels, buttons, check boxes and tabs that does
// not fit the room its control leaves it.
void fitCaptions(QWidget* window);

} // namespace fitted_captions
