// The window module's entry: the one symbol libzarvoth-window.so exports.
#include "window/form/form1x.h"
#include "window/window_module.h"

#include <QApplication>
#include <QStyleFactory>

extern "C" Q_DECL_EXPORT int zarvoth_open_window(int argc, char** argv, const char* found)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarvoth"));
    // The window's caption stays "KESTRANE" alone: a display name would be added to it.
    // The menu entry of that name gives the window its icon and name in docks and task bars.
    QApplication::setDesktopFileName(QStringLiteral("zarvoth"));
    // One look on every desktop, the window's own colours on top of it.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    Form1x window;
    window.show();
    if (found)
        window.showFound(QString::fromLocal8Bit(found).split(u' ', Qt::SkipEmptyParts));
    return app.exec();
}
