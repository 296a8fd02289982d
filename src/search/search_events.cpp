// Which events of the window run the search handlers.
#include "window/form1x.h"

void Form1x::connectSearchEvents()
{
}
