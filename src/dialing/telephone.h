#pragma once

#include <QString>

class QUrl;

// The desktop's side of a call: which program takes tel: links, and handing a link to it. The
// dialer reaches the desktop only through this, so that tests can stand in for it.
class Telephone {
public:
    virtual ~Telephone() = default;

    // Whether Zarvoth runs sandboxed (Flatpak, Snap), where the desktop portal picks the
    // program for tel: links and asks the user itself.
    virtual bool behindPortal() = 0;
    // The desktop entry of the program the desktop opens tel: links with; empty when none.
    virtual QString telProgram() = 0;
    // Hands the link over and returns at once, never waiting for the phone program; false
    // when the hand-over could not even be started.
    virtual bool open(const QUrl& uri) = 0;
};

// The telephone the dialer uses: the desktop's own, or the stand-in put in its place.
Telephone& telephone();
// Puts `standIn` in the place of the desktop's telephone; nullptr brings the desktop's back.
void useTelephone(Telephone* standIn);
