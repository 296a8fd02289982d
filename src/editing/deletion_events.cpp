// Which events of the window run DELETE.
#include "window/form/form1x.h"

#include "window/controls/hover_button.h"

void Form1x::connectDeletionEvents()
{
    connect(BtnDelete, &QPushButton::clicked, this,
            [this] { runAction([this] { BtnDelete_Press(); }); });
}
