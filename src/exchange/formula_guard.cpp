#include "exchange/formula_guard.h"

namespace exchange {
namespace {

bool isDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool runsAsFormula(std::string_view text)
{
    if (text.empty())
        return false;
    switch (text.front()) {
    case '=':
    case '@':
    case '\t':
    case '\r':
        return true;
    case '+':
    case '-':
        // "+49 171 ..." and "-5" are numbers; a sign alone is no formula either.
        return text.size() > 1 && !isDigit(text[1]);
    default:
        return false;
    }
}

} // namespace

bool needsGuard(std::string_view text)
{
    // An apostrophe before a guarded text is guarded too, so that taking one away on reading
    // gives back exactly what was written.
    while (text.starts_with('\''))
        text.remove_prefix(1);
    return runsAsFormula(text);
}

std::string guardedCell(std::string_view text)
{
    return needsGuard(text) ? "'" + std::string(text) : std::string(text);
}

std::string unguardedCell(std::string_view cell)
{
    if (cell.starts_with('\'') && needsGuard(cell.substr(1)))
        cell.remove_prefix(1);
    return std::string(cell);
}

} // namespace exchange
