#include "command_line/command_line.h"
#include "window/form/form1x.h"

#include <QApplication>
#include <QStyleFactory>

#include <iostream>
#include <string_view>

int main(int argc, char* argv[])
{
    // The window opened on a search of the desktop's: "more results".
    const bool showFound = argc == 3 && std::string_view(argv[1]) == "--show-found";
    // A command needs no display: it runs before anything of the window is made.
    if (argc > 1 && !showFound)
        return command_line::run({argv + 1, argv + argc}, store::posixFileSystem(), std::cout,
                                 std::cerr);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarvoth"));
    // The window's caption stays "KESTRANE" alone: a display name would be added to it.
    // The menu entry of that name gives the window its icon and name in docks and task bars.
    QApplication::setDesktopFileName(QStringLiteral("zarvoth"));
    // One look on every desktop, the window's own colours on top of it.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    Form1x window;
    window.show();
    if (showFound)
        window.showFound(QString::fromLocal8Bit(argv[2]).split(u' ', Qt::SkipEmptyParts));
    return app.exec();
}
