#pragma once

#include <QIcon>
#include <QMap>
#include <QString>

class QWidget;

// An icon drawn from one square image file for each size, each read only when a pixmap of it
// is first asked for. Qt's own icons read every file when it is added, which at start-up costs
// more than building the rest of the window, for sizes the desktop may never ask for.
// side -> file; a size between two of them is the next larger image scaled down.
QIcon iconFromFiles(const QMap<int, QString>& files);

// Gives the window its icon once its first frame is drawn. On X11 every size of the icon is read
// and handed to the window system the moment the icon is set (over ten million instructions for
// the six images); the window's contents come first, the icon a moment after.
void setWindowIconOnceDrawn(QWidget* window, const QIcon& icon);
