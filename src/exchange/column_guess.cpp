#include "exchange/column_guess.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace exchange {
namespace {

bool isBlank(std::string_view cell)
{
    return cell.find_first_not_of(" \t") == std::string_view::npos;
}

// Digits and what people write between them, and enough digits to be dialled rather than a
// house number or a postcode.
bool readsAsNumber(std::string_view cell)
{
    constexpr std::string_view written = "0123456789 +-()./";
    const auto digits =
        std::count_if(cell.begin(), cell.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    return cell.find_first_not_of(written) == std::string_view::npos && digits >= 6;
}

// Letters of any alphabet: ASCII ones, or any character beyond ASCII.
bool readsAsText(std::string_view cell)
{
    const bool letters = std::any_of(cell.begin(), cell.end(), [](char ch) {
        return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
               static_cast<unsigned char>(ch) >= 0x80;
    });
    return letters && cell.find('@') == std::string_view::npos &&
           cell.find("://") == std::string_view::npos;
}

// The first column not yet taken whose filled cells in the first rows all pass `test`, with at
// least one filled.
std::optional<std::size_t> firstColumnWhere(const UnplacedColumns& unplaced,
                                            const std::vector<std::size_t>& taken,
                                            const std::function<bool(std::string_view)>& test)
{
    for (std::size_t column = 0; column < unplaced.header.size(); ++column) {
        if (std::find(taken.begin(), taken.end(), column) != taken.end())
            continue;
        bool filled = false;
        bool passes = true;
        for (const std::vector<std::string>& row : unplaced.firstRows) {
            if (column >= row.size() || isBlank(row[column]))
                continue;
            filled = true;
            passes = passes && test(row[column]);
        }
        if (filled && passes)
            return column;
    }
    return std::nullopt;
}

} // namespace

std::array<std::optional<std::size_t>, ContactFieldCount>
guessedColumns(const UnplacedColumns& unplaced)
{
    std::array<std::optional<std::size_t>, ContactFieldCount> guessed;
    std::vector<std::size_t> taken;
    for (const auto& column : unplaced.found) {
        if (column)
            taken.push_back(*column);
    }
    const auto at = [&](ContactField field) -> auto&
    {
        return unplaced.found[static_cast<std::size_t>(field)];
    };
    auto& phone = guessed[static_cast<std::size_t>(ContactField::Phone)];
    if (!at(ContactField::Phone)) {
        phone = firstColumnWhere(unplaced, taken, readsAsNumber);
        if (phone)
            taken.push_back(*phone);
    }
    if (!at(ContactField::Nick) && !at(ContactField::FullName) && !at(ContactField::FamilyName))
        guessed[static_cast<std::size_t>(ContactField::FullName)] =
            firstColumnWhere(unplaced, taken, readsAsText);
    return guessed;
}

} // namespace exchange
