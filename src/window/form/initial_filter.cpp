#include "window/form/initial_filter.h"

#include "store/fixed_text.h"
#include "window/form/store_text.h"

InitialFilter::InitialFilter(const QString& letter)
    : letter_(toStoreExact(letter)), lowerLetter_(toStoreExact(letter.toLower()))
{
}

bool InitialFilter::matches(std::string_view storedNick) const
{
    const std::string_view first = store::firstCharacterTrimmed(storedNick);
    return (letter_ && first == *letter_) || (lowerLetter_ && first == *lowerLetter_);
}
