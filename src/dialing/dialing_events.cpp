// Which events of the window run the dialing handlers.
#include "window/form1x.h"

#include "dialing/dial_button.h"

void Form1x::connectDialingEvents()
{
}
