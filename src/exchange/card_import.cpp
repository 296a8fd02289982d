#include "exchange/card_import.h"

namespace exchange {

CardImport::CardImport(std::vector<std::string> storedNicknames, std::size_t room)
    : taken_(std::move(storedNicknames)), room_(room)
{
}

void CardImport::read(std::string_view, std::string_view source)
{
    throw NotVCard(std::string(source) + ": not yet read");
}

std::string CardImport::summary() const { return {}; }

} // namespace exchange
