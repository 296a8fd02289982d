#pragma once

#include <QUrl>

// Opens a web address in the desktop's browser, the way the window opens any link: Qt's
// desktop services where the window runs (the desktop portal inside a sandbox), xdg-open for a
// command, which has no display of its own. Not waited for; false when nothing took it.
bool openInBrowser(const QUrl& address);
