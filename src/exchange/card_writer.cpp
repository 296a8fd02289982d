#include "exchange/card_writer.h"

#include "exchange/utf8.h"
#include "store/cp1252.h"

namespace exchange {

std::string escapedText(std::string_view storedBytes)
{
    std::string out;
    out.reserve(storedBytes.size() + 8);
    for (char byte : storedBytes) {
        const char32_t ch = store::decodeByte(static_cast<std::uint8_t>(byte));
        if (ch == U'\\' || ch == U',' || ch == U';') {
            out.push_back('\\');
            out.push_back(static_cast<char>(ch));
        } else if (ch == U'\n' || ch == U'\r') {
            out += "\\n";
        } else if (ch < U' ' || ch == 0x7F) {
            out.push_back(' ');
        } else {
            appendUtf8(out, ch);
        }
    }
    return out;
}

void appendFolded(std::string& out, std::string_view name, std::string_view value)
{
    std::string line;
    line.reserve(name.size() + 1 + value.size());
    line.append(name).append(1, ':').append(value);
    std::string_view rest = line;
    std::size_t room = lineOctets;
    while (rest.size() > room) {
        std::size_t cut = room;
        // Back to the start of the character that would be split.
        while (cut > 0 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(rest.substr(0, cut)).append("\r\n ");
        rest.remove_prefix(cut);
        room = lineOctets - 1;
    }
    out.append(rest).append("\r\n");
}

} // namespace exchange
