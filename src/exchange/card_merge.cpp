#include "exchange/card_merge.h"

#include "exchange/card_writer.h"
#include "exchange/content_line.h"

#include <set>
#include <vector>

namespace exchange {
namespace {

constexpr std::string_view carried[] = {"EMAIL", "TEL", "ADR", "NOTE", "URL"};

bool isCarried(std::string_view name)
{
    for (std::string_view property : carried) {
        if (name == property)
            return true;
    }
    return false;
}

// What tells two values of one property apart: a number's digits, else the text without
// blanks in small letters.
std::string valueKey(const ContentLine& line)
{
    std::string key = line.name + ":";
    for (char ch : line.value) {
        if (line.name == "TEL" ? (ch >= '0' && ch <= '9') || ch == '+' : ch != ' ' && ch != '\t')
            key.push_back(ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch);
    }
    return key;
}

// The logical lines of a card, unfolded, as written (group and all).
std::vector<std::string> unfoldedLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = std::min(end + 1, text.size());
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!lines.empty() && !line.empty() && (line.front() == ' ' || line.front() == '\t'))
            lines.back().append(line.substr(1));
        else
            lines.emplace_back(line);
    }
    return lines;
}

// "item1.TEL;TYPE=CELL:+1 555" -> the name with its parameters ("TEL;TYPE=CELL") and the value.
std::pair<std::string_view, std::string_view> withoutGroup(std::string_view line)
{
    const std::size_t colon = valueColon(line);
    std::string_view head = line.substr(0, colon);
    const std::size_t dot = head.find('.');
    const std::size_t semicolon = head.find(';');
    if (dot != std::string_view::npos && dot < semicolon)
        head.remove_prefix(dot + 1);
    return {head, line.substr(colon + 1)};
}

} // namespace

std::string withPropertiesOf(std::string_view kept, std::string_view merged)
{
    std::set<std::string> held;
    bool hasPhoto = false;
    std::size_t end = std::string_view::npos;
    for (const std::string& line : unfoldedLines(kept)) {
        const ContentLine parsed = parseContentLine(line);
        if (isCarried(parsed.name))
            held.insert(valueKey(parsed));
        hasPhoto = hasPhoto || parsed.name == "PHOTO";
    }
    // The END of the first card, where what it takes goes.
    for (std::size_t from = 0; from < kept.size();) {
        const std::size_t lineEnd = std::min(kept.find('\n', from), kept.size());
        std::string_view line = kept.substr(from, lineEnd - from);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (equalsIgnoringCase(line, "END:VCARD")) {
            end = from;
            break;
        }
        from = lineEnd + 1;
    }
    if (end == std::string_view::npos)
        return std::string(kept);
    std::string taken;
    for (const std::string& line : unfoldedLines(merged)) {
        const ContentLine parsed = parseContentLine(line);
        if (parsed.name == "END")
            break;
        const bool photo = parsed.name == "PHOTO" && !hasPhoto;
        if (!photo && !(isCarried(parsed.name) && held.insert(valueKey(parsed)).second))
            continue;
        hasPhoto = hasPhoto || photo;
        const auto [head, value] = withoutGroup(line);
        appendFolded(taken, head, value);
    }
    if (taken.empty())
        return std::string(kept);
    return std::string(kept.substr(0, end)) + taken + std::string(kept.substr(end));
}

} // namespace exchange
