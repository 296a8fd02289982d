#include "window/form/check_value.h"

#include <QCheckBox>

Qt::CheckState checkStateOf(std::int16_t value)
{
    switch (value) {
    case 0:
        return Qt::Unchecked;
    case 1:
        return Qt::Checked;
    default:
        return Qt::PartiallyChecked;
    }
}

std::int16_t checkValueOf(const QCheckBox* box)
{
    return box->checkState() == Qt::Checked ? 1 : 0;
}

int shownCheckValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}
