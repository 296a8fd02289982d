#include "window/controls/check_box.h"

void CheckBox::nextCheckState()
{
    // Showing a greyed value makes the box three-state for good; a click still goes between
    // the two states a user means.
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
