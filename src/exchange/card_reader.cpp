#include "exchange/card.h"

#include "exchange/content_line.h"
#include "exchange/property_value.h"
#include "exchange/utf8.h"

#include <charconv>

namespace exchange {
namespace {

bool isMarker(const ContentLine& line, std::string_view name)
{
    std::string_view value = line.value;
    while (value.ends_with(' ') || value.ends_with('\t'))
        value.remove_suffix(1);
    return line.name == name && equalsIgnoringCase(value, "VCARD");
}

std::optional<int> preferenceOf(const ContentLine& line)
{
    if (line.has("TYPE", "PREF"))
        return 1;
    const std::string_view pref = line.parameter("PREF");
    if (pref.empty())
        return std::nullopt;
    int rank = 100;
    std::from_chars(pref.data(), pref.data() + pref.size(), rank);
    return rank;
}

// A number is a voice number unless a type says it is for another kind of device; "HOME" and
// "WORK" only say where it rings.
bool isCellOrVoice(const ContentLine& line)
{
    if (line.has("TYPE", "CELL") || line.has("TYPE", "VOICE") || line.has("TYPE", "MOBILE"))
        return true;
    for (const char* other :
         {"FAX", "PAGER", "MODEM", "BBS", "VIDEO", "TEXT", "TEXTPHONE", "MSG"}) {
        if (line.has("TYPE", other))
            return false;
    }
    return true;
}

class CardBuilder {
public:
    void take(const ContentLine& line)
    {
        if (line.name == "VERSION")
            listsByComma_ = line.value.find("2.1") == std::string::npos;
        else if (line.name == "NICKNAME")
            takeFirst(card_.nickname, firstNickname(decodedValue(line)));
        else if (line.name == "FN")
            takeFirst(card_.formattedName, unescape(decodedValue(line)));
        else if (line.name == "N" && card_.name.empty())
            takeName(line);
        else if (line.name.starts_with("X-PHONETIC-"))
            takePhonetic(line);
        else if (line.name == "SOUND" && line.has("TYPE", "X-IRMC-N"))
            sounds_ = components(decodedValue(line), listsByComma_);
        else if (line.name == "ADR" && !card_.locality)
            card_.locality = locality(line);
        else if (line.name == "TEL")
            card_.telephones.push_back(
                {telephoneValue(line), preferenceOf(line), isCellOrVoice(line)});
        else if (line.name == "UID")
            takeFirst(card_.uid, unescape(decodedValue(line)));
        else if (line.name == "KIND" || line.name == "X-ADDRESSBOOKSERVER-KIND")
            card_.kind = unescape(decodedValue(line));
        else if (line.name.starts_with("X-ZARVOTH-"))
            takeStored(line);
    }

    // A reading the card gives for each component on its own comes before one given for the
    // whole name.
    Card finish()
    {
        for (const auto* whole : {&sortAs_, &sounds_}) {
            for (std::size_t i = 0; i < whole->size(); ++i) {
                if (card_.nameReading.size() <= i)
                    card_.nameReading.resize(i + 1);
                if (card_.nameReading[i].empty())
                    card_.nameReading[i] = (*whole)[i];
            }
        }
        return std::move(card_);
    }

private:
    static void takeFirst(std::optional<std::u32string>& field, std::u32string value)
    {
        if (!field)
            field = std::move(value);
    }

    // NICKNAME is a list in every version that has it ("Johny,JJ"); phones write it into 2.1
    // cards too. The first nickname that is not blank is the one.
    static std::u32string firstNickname(const std::u32string& value)
    {
        for (std::u32string_view item : splitEscaped(value, U',')) {
            std::u32string nick = unescape(item);
            if (nick.find_first_not_of(U" \t") != std::u32string::npos)
                return nick;
        }
        return {};
    }

    std::u32string locality(const ContentLine& line) const
    {
        const auto parts = components(decodedValue(line), listsByComma_);
        return parts.size() > 3 ? parts[3] : std::u32string();
    }

    // N's own components; its SORT-AS (vCard 4) says how each is read, in the same order.
    void takeName(const ContentLine& line)
    {
        card_.name = components(decodedValue(line), listsByComma_);
        for (const auto& [parameter, value] : line.parameters) {
            if (parameter != "SORT-AS")
                continue;
            const std::u32string readings = fromUtf8(value);
            for (std::u32string_view item : splitEscaped(readings, U','))
                sortAs_.push_back(unescape(item));
        }
    }

    // Apple's and Android's readings of the given, middle and family name.
    void takePhonetic(const ContentLine& line)
    {
        const std::string_view which = std::string_view(line.name).substr(11);
        for (auto [name, index] :
             {std::pair{"LAST-NAME", 0}, {"FIRST-NAME", 1}, {"MIDDLE-NAME", 2}}) {
            if (which != name)
                continue;
            if (card_.nameReading.size() <= std::size_t(index))
                card_.nameReading.resize(std::size_t(index) + 1);
            if (card_.nameReading[std::size_t(index)].empty())
                card_.nameReading[std::size_t(index)] = unescape(decodedValue(line));
        }
    }

    void takeStored(const ContentLine& line)
    {
        const std::string_view field = std::string_view(line.name).substr(10);
        std::u32string value = unescape(decodedValue(line));
        StoredFields& stored = card_.stored;
        for (auto [name, slot] : {std::pair{"PHONE", &stored.phone},
                                  {"PREFIX", &stored.prefix},
                                  {"STDCODE", &stored.stdCode},
                                  {"USEPREFIX", &stored.usePrefix},
                                  {"USESTDCODE", &stored.useStdCode}}) {
            if (field == name)
                takeFirst(*slot, std::move(value));
        }
    }

    Card card_;
    bool listsByComma_ = true;
    // Readings of the whole name: N's SORT-AS, and the SOUND;X-IRMC-N of Japanese phones.
    std::vector<std::u32string> sortAs_, sounds_;
};

} // namespace

bool readCards(std::string_view bytes, const std::function<void(const Card&)>& take)
{
    ContentLineReader reader(bytes);
    ContentLine line;
    // An embedded card (a 2.1 AGENT) is skipped whole: depth counts the open cards.
    int depth = 0;
    bool anyCard = false;
    CardBuilder builder;
    while (reader.next(line)) {
        if (isMarker(line, "BEGIN")) {
            if (depth++ == 0)
                builder = CardBuilder();
            anyCard = true;
        } else if (isMarker(line, "END")) {
            if (depth > 0 && --depth == 0)
                take(builder.finish());
        } else if (depth == 1) {
            builder.take(line);
        }
    }
    if (depth > 0)
        take(builder.finish());
    return anyCard;
}

bool isIndividual(const Card& card)
{
    std::string kind = toUtf8(card.kind);
    std::erase(kind, ' ');
    return kind.empty() || equalsIgnoringCase(kind, "individual");
}

} // namespace exchange
