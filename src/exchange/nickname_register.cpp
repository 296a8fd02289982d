#include "exchange/nickname_register.h"

#include "store/contact_record.h"
#include "store/fixed_text.h"

namespace exchange {
namespace {

constexpr std::size_t width = decltype(store::ContactRecord::Nick)::width;

} // namespace

std::string numberedNickname(std::string_view wanted, unsigned number)
{
    const std::string digits = std::to_string(number);
    return std::string(store::trimBlanks(wanted.substr(0, width - digits.size()))) + digits;
}

NicknameRegister::NicknameRegister(const std::vector<std::string>& stored)
{
    for (const std::string& nick : stored)
        taken_.emplace(store::trimBlanks(nick));
}

std::string NicknameRegister::claim(std::string_view wanted)
{
    std::string nick(store::trimBlanks(wanted));
    if (taken_.insert(nick).second)
        return nick;
    unsigned& number = nextNumber_.try_emplace(nick, 1).first->second;
    std::string candidate = numberedNickname(nick, number);
    while (!taken_.insert(candidate).second)
        candidate = numberedNickname(nick, ++number);
    ++number;
    return candidate;
}

} // namespace exchange
