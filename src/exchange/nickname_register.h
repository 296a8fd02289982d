#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The nicknames taken so far, compared as SAVE compares them: trimmed, exactly, case and all.
namespace exchange {

// `wanted` with `number` appended, its end cut for the number within the nickname's width: the
// name a contact gets when its own nickname is taken ("Frank" becomes "Frank1").
std::string numberedNickname(std::string_view wanted, unsigned number);

class NicknameRegister {
public:
    explicit NicknameRegister(const std::vector<std::string>& stored);

    // `wanted` (trimmed, at most the nickname's width) when it is free, else it with the
    // smallest number appended that makes it free within the width, its end cut for the
    // number. The result is taken.
    std::string claim(std::string_view wanted);

private:
    std::unordered_set<std::string> taken_;
    // For each wanted nickname, the numbers below this one are all taken: a file with many
    // contacts of one nickname is numbered without trying every number again.
    std::unordered_map<std::string, unsigned> nextNumber_;
};

} // namespace exchange
