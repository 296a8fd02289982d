#include "window/form1x.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarvoth"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zarvoth"));
    QApplication::setDesktopFileName(QStringLiteral("zarvoth"));
    // One look on every desktop, the window's own colours on top of it.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    Form1x window;
    window.show();
    return app.exec();
}
