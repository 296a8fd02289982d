#pragma once

#include "store/contact_record.h"

#include <QString>

// The number Dial composes for a stored contact shown as it is stored: the prefix and the STD
// code where their boxes are ticked (a greyed box is no tick), then the phone number, each as
// its box shows it. handOverCall dials it, or refuses it with the reason Dial gives.
QString composedNumber(const store::ContactRecord& record);

// What of it goes out as the tel: link: the digits and "+", "*" and "#". Empty when Dial
// would refuse it or there is nothing to call.
QString dialledForm(const QString& composed);
