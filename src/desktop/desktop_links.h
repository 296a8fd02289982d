#pragma once

#include <QUrl>

// Handing a link to the desktop, the same way from the window and from a command: through the
// desktop portal inside a sandbox (Flatpak, Snap), which picks the program and may ask the
// user, else through xdg-open. Needs no display and no graphical application object, so that a
// command never maps the window's libraries.
namespace desktop {

// Whether Zarvoth runs sandboxed, where only the portal can open links.
bool behindPortal();

// Hands the link to the program the desktop opens such links with (a web address to the
// browser, a tel: link to the telephone). Not waited for; false when nothing took it.
bool openLink(const QUrl& link);

} // namespace desktop
