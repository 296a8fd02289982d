#include "exchange/card_patch.h"

#include "exchange/card_export.h"
#include "exchange/card_writer.h"
#include "exchange/content_line.h"
#include "exchange/dialled_number.h"
#include "exchange/property_value.h"
#include "exchange/utf8.h"

#include <utility>
#include <vector>

namespace exchange {
namespace {

// One property as it stands in the text: its bytes there (folding included) and unfolded.
struct RawLine {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string unfolded;
    ContentLine parsed;
};

class RawLineReader {
public:
    explicit RawLineReader(std::string_view text) : text_(text) {}

    bool next(RawLine& line)
    {
        if (at_ >= text_.size())
            return false;
        line.begin = at_;
        line.unfolded.assign(physicalLine());
        for (;;) {
            while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t'))
                line.unfolded.append(physicalLine().substr(1));
            line.parsed = parseContentLine(line.unfolded);
            // A soft line break of quoted-printable: the value goes on in the next line.
            if (!line.parsed.isQuotedPrintable() || !line.parsed.value.ends_with('=') ||
                at_ >= text_.size())
                break;
            line.unfolded.pop_back();
            line.unfolded.append(physicalLine());
        }
        line.end = at_;
        return true;
    }

private:
    std::string_view physicalLine()
    {
        const std::size_t end = std::min(text_.find('\n', at_), text_.size());
        std::string_view line = text_.substr(at_, end - at_);
        at_ = std::min(end + 1, text_.size());
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        return line;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

bool isMarker(const ContentLine& line, std::string_view name)
{
    std::string_view value = line.value;
    while (value.ends_with(' ') || value.ends_with('\t'))
        value.remove_suffix(1);
    return line.name == name && equalsIgnoringCase(value, "VCARD");
}

// The line's name and parameters without those of a transfer encoding or character set: the
// value written after them is plain UTF-8.
std::string plainHead(const std::string& unfolded)
{
    const std::string_view head = std::string_view(unfolded).substr(0, valueColon(unfolded));
    std::string out;
    for (std::string_view part : splitOutsideQuotes(head, ';')) {
        if (!out.empty()) {
            const std::string_view bare =
                part.substr(std::min(part.find_first_not_of(" \t"), part.size()));
            const std::string_view key = bare.substr(0, bare.find('='));
            if (equalsIgnoringCase(key, "ENCODING") || equalsIgnoringCase(key, "CHARSET") ||
                isEncodingName(bare))
                continue;
            out += ';';
        }
        out += part;
    }
    return out;
}

std::string joined(const std::vector<std::string>& parts, char separator)
{
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += separator;
        out += parts[i];
    }
    return out;
}

// The value's parts at `separator`, each still escaped, at least `count` of them.
std::vector<std::string> escapedParts(const ContentLine& line, char32_t separator,
                                      std::size_t count)
{
    std::vector<std::string> parts;
    // Held here: the parts are views into it.
    const std::u32string value = decodedValue(line);
    for (std::u32string_view part : splitEscaped(value, separator))
        parts.push_back(toUtf8(part));
    if (parts.size() < count)
        parts.resize(count);
    return parts;
}

template <std::size_t Width> std::string outgoing(const store::FixedText<Width>& field)
{
    return escapedText(field.trimmed());
}

class CardPatcher {
public:
    CardPatcher(std::string_view text, const store::ContactRecord& record, const CardUpdate& update)
        : text_(text), record_(record), update_(update),
          newline_(text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n")
    {
    }

    std::string patched()
    {
        RawLineReader reader(text_);
        RawLine line;
        int depth = 0;
        bool done = false;
        while (reader.next(line)) {
            if (done) {
                out_.append(text_.substr(line.begin));
                break;
            }
            if (isMarker(line.parsed, "BEGIN"))
                ++depth;
            if (isMarker(line.parsed, "END") && depth == 1) {
                appendMissing();
                done = true;
            }
            if (isMarker(line.parsed, "END") && depth > 0)
                --depth;
            if (depth == 1 && !isMarker(line.parsed, "BEGIN"))
                take(line);
            else
                keep(line);
        }
        return std::move(out_);
    }

private:
    void keep(const RawLine& line) { out_.append(text_.substr(line.begin, line.end - line.begin)); }

    void write(const std::string& head, const std::string& value)
    {
        std::string folded;
        appendFolded(folded, head, value);
        if (newline_ == "\n")
            std::erase(folded, '\r');
        out_ += folded;
    }

    void take(const RawLine& line)
    {
        const ContentLine& parsed = line.parsed;
        if (parsed.name == "VERSION")
            listsByComma_ = parsed.value.find("2.1") == std::string::npos;
        if (update_.nick && parsed.name == "NICKNAME" && !seenNick_) {
            seenNick_ = true;
            // A 2.1 nickname is one text; a later one is a list, of which the first is ours.
            std::vector<std::string> items{toUtf8(decodedValue(parsed))};
            if (listsByComma_)
                items = escapedParts(parsed, U',', 1);
            items.front() = outgoing(record_.Nick);
            return write(plainHead(line.unfolded), joined(items, ','));
        }
        // The card's N is noted even when kept as it is: one is added only to a card without.
        if (parsed.name == "N" && !std::exchange(seenName_, true) && update_.names) {
            std::vector<std::string> parts = escapedParts(parsed, U';', 5);
            parts[0] = outgoing(record_.FamilyName);
            parts[1] = outgoing(record_.FullName);
            parts[2].clear();
            return write(plainHead(line.unfolded), joined(parts, ';'));
        }
        if (update_.names && parsed.name == "FN" && !seenFormatted_) {
            seenFormatted_ = true;
            return write(plainHead(line.unfolded), formatted());
        }
        if (update_.city && parsed.name == "ADR" && !seenAddress_) {
            seenAddress_ = true;
            std::vector<std::string> parts = escapedParts(parsed, U';', 7);
            parts[3] = outgoing(record_.City);
            return write(plainHead(line.unfolded), joined(parts, ';'));
        }
        if (update_.number && parsed.name == "TEL" && !seenTelephone_ &&
            !update_.telephone.empty() && telephoneValue(parsed) == fromUtf8(update_.telephone)) {
            seenTelephone_ = true;
            return writeTelephone(line);
        }
        if (update_.number && parsed.name.starts_with("X-ZARVOTH-"))
            return;
        keep(line);
    }

    void writeTelephone(const RawLine& line)
    {
        const std::string number = dialledNumber(record_);
        if (number.empty())
            return;
        const bool uri =
            equalsIgnoringCase(std::string_view(line.parsed.value).substr(0, 4), "tel:");
        write(plainHead(line.unfolded), (uri ? "tel:" : "") + number);
    }

    std::string formatted() const
    {
        return formattedName(outgoing(record_.FullName), outgoing(record_.FamilyName),
                             outgoing(record_.Nick));
    }

    void appendMissing()
    {
        if (update_.nick && !seenNick_ && !record_.Nick.trimmed().empty())
            write("NICKNAME", outgoing(record_.Nick));
        // Whatever the update, a card goes back with N: servers that demand it (Google's)
        // refuse the whole card without it, and the record's names are what the card's name
        // was read as.
        if (!seenName_)
            write("N", outgoing(record_.FamilyName) + ";" + outgoing(record_.FullName) + ";;;");
        if (update_.names && !seenFormatted_)
            write("FN", formatted());
        if (update_.city && !seenAddress_ && !record_.City.trimmed().empty())
            write("ADR", ";;;" + outgoing(record_.City) + ";;;");
        if (!update_.number)
            return;
        if (const std::string number = dialledNumber(record_); !seenTelephone_ && !number.empty())
            write("TEL;TYPE=VOICE", number);
        std::string stored;
        appendStoredNumber(stored, record_);
        if (newline_ == "\n")
            std::erase(stored, '\r');
        out_ += stored;
    }

    std::string_view text_;
    const store::ContactRecord& record_;
    const CardUpdate& update_;
    std::string newline_;
    std::string out_;
    bool listsByComma_ = true;
    bool seenNick_ = false, seenName_ = false, seenFormatted_ = false, seenAddress_ = false,
         seenTelephone_ = false;
};

} // namespace

std::string patchCard(std::string_view text, const store::ContactRecord& record,
                      const CardUpdate& update)
{
    return CardPatcher(text, record, update).patched();
}

} // namespace exchange
