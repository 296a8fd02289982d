#pragma once

#include <QCheckBox>

// A check box that the user ticks and unticks. It shows greyed (partially checked) only where
// the program shows a stored value that is neither; a click on a greyed box ticks it, and no
// click ever greys a box.
class CheckBox : public QCheckBox {
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};
