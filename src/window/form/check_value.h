#pragma once

#include <Qt>

#include <cstdint>

class QCheckBox;

// A stored check value shown in a check box: 0 unchecked, 1 checked, anything else greyed.
// A greyed box is never 1, so it never adds its part to a dialled number.
Qt::CheckState checkStateOf(std::int16_t value);

// The value a check box stores: 1 when checked, otherwise 0.
std::int16_t checkValueOf(const QCheckBox* box);

// The value the dialer reads: 1 checked, 0 unchecked, 2 greyed.
int shownCheckValue(const QCheckBox* box);
