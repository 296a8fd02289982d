#include "exchange/content_line.h"

#include <algorithm>

namespace exchange {
namespace {

char upper(char ch)
{
    return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch;
}

std::string upperCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

bool isEncodingName(std::string_view value)
{
    for (std::string_view known : {"QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT", "B"}) {
        if (equalsIgnoringCase(value, known))
            return true;
    }
    return false;
}

// Where the name and parameters end: the first colon outside double quotes.
std::size_t valueColon(std::string_view line)
{
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

// Splits at `separator` outside double quotes.
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '"')
            quoted = !quoted;
        if (i == text.size() || (text[i] == separator && !quoted)) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

namespace {

void addParameter(ContentLine& line, std::string_view parameter)
{
    const auto equals = parameter.find('=');
    if (equals == std::string_view::npos) {
        const std::string_view bare = trimmed(parameter);
        if (!bare.empty())
            line.parameters.emplace_back(isEncodingName(bare) ? "ENCODING" : "TYPE",
                                         std::string(bare));
        return;
    }
    const std::string name = upperCase(trimmed(parameter.substr(0, equals)));
    for (std::string_view item : splitOutsideQuotes(parameter.substr(equals + 1), ',')) {
        item = trimmed(item);
        if (item.size() >= 2 && item.front() == '"' && item.back() == '"')
            item = item.substr(1, item.size() - 2);
        line.parameters.emplace_back(name, std::string(item));
    }
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upper(x) == upper(y); });
}

bool ContentLine::has(std::string_view name, std::string_view wanted) const
{
    return std::any_of(parameters.begin(), parameters.end(), [&](const auto& parameter) {
        return parameter.first == name && equalsIgnoringCase(parameter.second, wanted);
    });
}

std::string_view ContentLine::parameter(std::string_view name) const
{
    for (const auto& [key, value] : parameters) {
        if (key == name)
            return value;
    }
    return {};
}

ContentLine parseContentLine(std::string_view line)
{
    ContentLine parsed;
    const std::size_t colon = valueColon(line);
    if (colon == std::string_view::npos)
        return parsed;
    const std::vector<std::string_view> head = splitOutsideQuotes(line.substr(0, colon), ';');
    std::string_view name = trimmed(head.front());
    if (const auto dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    parsed.name = upperCase(name);
    for (std::size_t i = 1; i < head.size(); ++i)
        addParameter(parsed, head[i]);
    parsed.value = std::string(line.substr(colon + 1));
    return parsed;
}

ContentLineReader::ContentLineReader(std::string_view bytes) : bytes_(bytes)
{
    if (bytes_.starts_with("\xEF\xBB\xBF"))
        at_ = 3;
}

std::string_view ContentLineReader::nextPhysicalLine()
{
    const std::size_t end = std::min(bytes_.find_first_of("\r\n", at_), bytes_.size());
    const std::string_view line = bytes_.substr(at_, end - at_);
    // A line ends in LF, in CR alone (older Apple programs), or in CRs before an LF (CR CR LF,
    // left by tools that turned LF into CRLF twice).
    at_ = end;
    while (at_ < bytes_.size() && bytes_[at_] == '\r')
        ++at_;
    if (at_ < bytes_.size() && bytes_[at_] == '\n')
        ++at_;
    return line;
}

bool ContentLineReader::continues() const
{
    return at_ < bytes_.size() && (bytes_[at_] == ' ' || bytes_[at_] == '\t');
}

bool ContentLineReader::next(ContentLine& line)
{
    while (at_ < bytes_.size()) {
        logical_.assign(nextPhysicalLine());
        for (;;) {
            while (continues())
                logical_.append(nextPhysicalLine().substr(1));
            line = parseContentLine(logical_);
            // A soft line break of quoted-printable: the value goes on in the next line.
            if (!line.isQuotedPrintable() || !line.value.ends_with('=') || at_ >= bytes_.size())
                break;
            logical_.pop_back();
            logical_.append(nextPhysicalLine());
        }
        if (!line.name.empty())
            return true;
    }
    return false;
}

} // namespace exchange
