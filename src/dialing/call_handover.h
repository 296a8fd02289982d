#pragma once

#include <QString>

class Telephone;

// Hands the number the dialer holds to the telephone as a tel: link. Returns what the user
// must be told when no call was placed, or the empty text when the call went out or there was
// nothing to call (an empty number: the press never composed one).
QString handOverCall(const QString& number, Telephone& telephone);
