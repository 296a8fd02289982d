#pragma once

#include <QCoreApplication>
#include <QString>

// The line the credit label shows once the mouse has passed over it. Screen readers get it as
// the label's description, since they never move the mouse there.
inline QString creditLine()
{
    return QCoreApplication::translate("Form1x", "Zarvoth: a contact book that dials");
}
