// Which events of the window run DELETE.
#include "window/form1x.h"

void Form1x::connectDeletionEvents()
{
}
