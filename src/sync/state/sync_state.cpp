#include "sync/state/sync_state.h"

#include "sync/state/content_hash.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <limits>
#include <set>

// The file, one entry a line, its words separated by one blank:
//
//   zarvoth-sync 3
//   book <url>
//   user <name>
//   signin <issuer> <client id>   (only for an account that signs in through the browser)
//   token <sync token>
//   cards <the vCard version new cards are written in>, where the book told it
//   settled <the data file's hash> <the hash of the lines below>
//   pair <place> <uid> <href> <etag> <confirmed 0|1> <the record's 9 fields> <the card's 10 fields>
//   here <place> <the record's hash, 16 hex digits>
//   passed <href> <etag>
//
// The "settled" line is there when the last sync left nothing for the next one to do; its
// second hash covers every byte after the line, so that the head alone can be trusted for what
// the rest holds. A file of version 2 has no such line. A file of version 1, written before
// places were kept, has no places and no "here" lines either; it is read as it is, its places
// unknown.
//
// Every text is a word: bytes outside the printable ASCII letters, and "%", are written as %XX,
// and an empty text as "-". A record's text field is written without the blanks that pad it,
// which give back the same bytes when it is read.
namespace syncing {
namespace {

constexpr std::string_view magic = "zarvoth-sync";
constexpr std::string_view version = "3";
constexpr std::string_view unsettledVersion = "2";
constexpr std::string_view placelessVersion = "1";

std::string escaped(std::string_view text)
{
    if (text.empty())
        return "-";
    if (text == "-")
        return "%2D";
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte > 0x20 && byte < 0x7F && byte != '%') {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 0xF]);
        }
    }
    return out;
}

int hexDigit(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

[[noreturn]] void bad(std::size_t lineNo, const std::string& what)
{
    throw BadStateFile("line " + std::to_string(lineNo) + ": " + what);
}

// Reads the words of one line in order.
class Words {
public:
    Words(std::string_view line, std::size_t lineNo) : lineNo_(lineNo)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            if (i == line.size() || line[i] == ' ') {
                if (i == start)
                    bad(lineNo_, "an empty word");
                words_.push_back(line.substr(start, i - start));
                start = i + 1;
            }
        }
    }

    std::string_view keyword() const { return words_.front(); }
    void expectCount(std::size_t count) const
    {
        if (words_.size() != count + 1)
            bad(lineNo_, std::to_string(words_.size() - 1) + " words after \"" +
                             std::string(keyword()) + "\", not " + std::to_string(count));
    }

    std::string text()
    {
        const std::string_view word = words_.at(next_++);
        if (word == "-")
            return {};
        std::string out;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const auto byte = static_cast<unsigned char>(word[i]);
            if (byte <= 0x20 || byte >= 0x7F)
                bad(lineNo_, "a byte that should have been escaped");
            if (word[i] != '%') {
                out.push_back(word[i]);
                continue;
            }
            const int high = i + 2 < word.size() ? hexDigit(word[i + 1]) : -1;
            const int low = i + 2 < word.size() ? hexDigit(word[i + 2]) : -1;
            if (high < 0 || low < 0)
                bad(lineNo_, "a broken %XX escape");
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        }
        return out;
    }

    std::int16_t number()
    {
        const std::string_view word = words_.at(next_++);
        int value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size() ||
            value < std::numeric_limits<std::int16_t>::min() ||
            value > std::numeric_limits<std::int16_t>::max())
            bad(lineNo_, "\"" + std::string(word) + "\" is not a tick value");
        return static_cast<std::int16_t>(value);
    }

    std::int32_t place()
    {
        const std::string_view word = words_.at(next_++);
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size() || value < 0 ||
            value > store::MaxRecords)
            bad(lineNo_, "\"" + std::string(word) + "\" is not a place in the book");
        return value;
    }

    // The first of `count` hashes that end the line.
    std::uint64_t hash(std::size_t count = 1)
    {
        if (count > 1)
            expectCount(count);
        const std::string_view word = words_.at(next_++);
        std::uint64_t value = 0;
        const auto [end, error] =
            std::from_chars(word.data(), word.data() + word.size(), value, 16);
        if (error != std::errc() || end != word.data() + word.size() || word.size() != 16)
            bad(lineNo_, "\"" + std::string(word) + "\" is not a record's hash");
        return value;
    }

    bool flag()
    {
        const std::string_view word = words_.at(next_++);
        if (word != "0" && word != "1")
            bad(lineNo_, "\"" + std::string(word) + "\" is neither 0 nor 1");
        return word == "1";
    }

    template <std::size_t Width> void field(store::FixedText<Width>& to)
    {
        const std::string bytes = text();
        if (bytes.size() > Width)
            bad(lineNo_, "a text longer than its field");
        to.assign(bytes);
    }

private:
    std::vector<std::string_view> words_;
    std::size_t next_ = 1;
    std::size_t lineNo_;
};

template <std::size_t Width> std::string unpadded(const store::FixedText<Width>& field)
{
    std::string_view text = field.text();
    return escaped(text.substr(0, text.find_last_not_of(' ') + 1));
}

void writeRecord(std::string& out, const store::ContactRecord& r)
{
    for (const std::string& word :
         {unpadded(r.Nick), unpadded(r.FullName), unpadded(r.FamilyName), unpadded(r.City),
          unpadded(r.Phone), unpadded(r.StdCode), std::to_string(r.UseStdCode), unpadded(r.Prefix),
          std::to_string(r.UsePrefix)})
        out.append(" ").append(word);
}

void readRecord(Words& words, store::ContactRecord& r)
{
    words.field(r.Nick);
    words.field(r.FullName);
    words.field(r.FamilyName);
    words.field(r.City);
    words.field(r.Phone);
    words.field(r.StdCode);
    r.UseStdCode = words.number();
    words.field(r.Prefix);
    r.UsePrefix = words.number();
}

void writeCard(std::string& out, const CardFields& c)
{
    for (const std::string& word :
         {escaped(c.nick), escaped(c.fullName), escaped(c.familyName), escaped(c.city),
          escaped(c.phone), escaped(c.stdCode), escaped(c.prefix), std::to_string(c.useStdCode),
          std::to_string(c.usePrefix), escaped(c.telephone)})
        out.append(" ").append(word);
}

void readCard(Words& words, CardFields& c)
{
    for (std::string* text :
         {&c.nick, &c.fullName, &c.familyName, &c.city, &c.phone, &c.stdCode, &c.prefix})
        *text = words.text();
    c.useStdCode = words.number();
    c.usePrefix = words.number();
    c.telephone = words.text();
}

constexpr std::size_t pairWords = 4 + 9 + 10;

Pair readPair(Words& words, bool withPlace)
{
    words.expectCount(pairWords + withPlace);
    Pair pair;
    if (withPlace)
        pair.place = words.place();
    pair.uid = words.text();
    pair.href = words.text();
    pair.etag = words.text();
    pair.confirmed = words.flag();
    readRecord(words, pair.record);
    readCard(words, pair.card);
    return pair;
}

// The hashes of a "settled" line, and where the text they cover begins.
struct Settled {
    std::uint64_t dataFile = 0;
    std::uint64_t rest = 0;
    std::size_t restStart = 0;
};

// Reads the lines after the first, each once where it must be once.
class StateReader {
public:
    StateReader(bool withPlaces, bool withSettled) : withSettled_(withSettled)
    {
        state_.placesKnown = withPlaces;
    }

    void take(std::string_view line, std::size_t lineNo)
    {
        Words words(line, lineNo);
        const std::string_view keyword = words.keyword();
        if (keyword == "book")
            once(words, state_.bookUrl, seenBook_, lineNo);
        else if (keyword == "user")
            once(words, state_.user, seenUser_, lineNo);
        else if (keyword == "signin")
            takeSignIn(words, lineNo);
        else if (keyword == "token")
            once(words, state_.syncToken, seenToken_, lineNo);
        else if (keyword == "cards")
            once(words, state_.cardVersion, seenCardVersion_, lineNo);
        else if (keyword == "pair")
            state_.pairs.push_back(uniqueHref(readPair(words, state_.placesKnown), lineNo));
        else if (keyword == "here" && state_.placesKnown)
            takeUnpaired(words);
        else if (keyword == "passed")
            takePassedOver(words, lineNo);
        else if (keyword == "settled" && withSettled_ && !settled_)
            settled_ = Settled{words.hash(2), words.hash(), 0};
        else
            bad(lineNo, "unknown entry \"" + std::string(keyword) + "\"");
    }

    std::optional<Settled>& settled() { return settled_; }

    SyncState finish(std::size_t lineNo)
    {
        if (!seenBook_ || !seenUser_ || !seenToken_)
            bad(lineNo, "the address book, the user or the sync token is missing");
        return std::move(state_);
    }

private:
    static void once(Words& words, std::string& to, bool& seen, std::size_t lineNo)
    {
        if (seen)
            bad(lineNo, "\"" + std::string(words.keyword()) + "\" given twice");
        words.expectCount(1);
        to = words.text();
        seen = true;
    }

    void takeSignIn(Words& words, std::size_t lineNo)
    {
        if (seenSignIn_)
            bad(lineNo, "\"signin\" given twice");
        words.expectCount(2);
        state_.signInIssuer = words.text();
        state_.signInClient = words.text();
        seenSignIn_ = true;
    }

    void takePassedOver(Words& words, std::size_t lineNo)
    {
        words.expectCount(2);
        PassedOverCard card;
        card.href = words.text();
        card.etag = words.text();
        if (!hrefs_.insert(card.href).second)
            bad(lineNo, "a card named twice");
        state_.passedOver.push_back(std::move(card));
    }

    void takeUnpaired(Words& words)
    {
        words.expectCount(2);
        UnpairedRecord record;
        record.place = words.place();
        record.hash = words.hash();
        state_.unpaired.push_back(record);
    }

    // Two entries for one card would make a sync decide twice about it.
    Pair uniqueHref(Pair pair, std::size_t lineNo)
    {
        if (!hrefs_.insert(pair.href).second)
            bad(lineNo, "a card named twice");
        return pair;
    }

    SyncState state_;
    std::set<std::string> hrefs_;
    bool seenBook_ = false, seenUser_ = false, seenToken_ = false, seenCardVersion_ = false;
    bool seenSignIn_ = false;
    bool withSettled_ = false;
    std::optional<Settled> settled_;
};

struct Parsed {
    SyncState state;
    std::optional<Settled> settled;
};

Parsed parseLines(std::string_view text)
{
    if (!text.ends_with('\n'))
        throw BadStateFile("the file is cut short");
    text.remove_suffix(1);
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    const auto isVersion = [&](std::string_view v) {
        return firstLine == std::string(magic) + " " + std::string(v);
    };
    const bool settledKept = isVersion(version);
    const bool withPlaces = settledKept || isVersion(unsettledVersion);
    if (!withPlaces && !isVersion(placelessVersion))
        throw BadStateFile("not a sync state file of this version");
    std::size_t lineNo = 1;
    StateReader reader(withPlaces, settledKept);
    std::size_t start = firstLine.size() + 1;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const bool settledBefore = reader.settled().has_value();
        reader.take(line, ++lineNo);
        start = end + 1;
        if (!settledBefore && reader.settled())
            reader.settled()->restStart = start;
    }
    std::optional<Settled> settled = reader.settled();
    return {reader.finish(lineNo), settled};
}

// The settled hash, where the text after the line is still the one it was written with.
std::optional<std::uint64_t> settledOn(const std::optional<Settled>& settled, std::string_view text)
{
    if (!settled || settled->restStart > text.size() ||
        contentHash(text.substr(settled->restStart)) != settled->rest)
        return std::nullopt;
    return settled->dataFile;
}

// Written settled, the file begins with its version, book, user, the sign-in where there is one,
// token, the cards' version where one is known, and the settled line: their length, 0 when the head has no settled line.
std::size_t settledHeadLength(std::string_view text)
{
    constexpr int mostHeadLines = 7;
    std::size_t length = 0;
    for (int line = 0; line < mostHeadLines; ++line) {
        const std::size_t end = text.find('\n', length);
        if (end == std::string_view::npos)
            return 0;
        const bool settledLine = text.substr(length).starts_with("settled ");
        length = end + 1;
        if (settledLine)
            return length;
    }
    return 0;
}

std::string hex16(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string withHead(const SyncState& state, std::string_view rest)
{
    std::string out;
    out.reserve(256 + rest.size());
    out.append(magic).append(" ").append(version).append("\n");
    out.append("book ").append(escaped(state.bookUrl)).append("\n");
    out.append("user ").append(escaped(state.user)).append("\n");
    if (!state.signInClient.empty())
        out.append("signin ")
            .append(escaped(state.signInIssuer))
            .append(" ")
            .append(escaped(state.signInClient))
            .append("\n");
    out.append("token ").append(escaped(state.syncToken)).append("\n");
    if (!state.cardVersion.empty())
        out.append("cards ").append(escaped(state.cardVersion)).append("\n");
    if (state.settledOn)
        out.append("settled ")
            .append(hex16(*state.settledOn))
            .append(" ")
            .append(hex16(contentHash(rest)))
            .append("\n");
    return out.append(rest);
}

} // namespace

std::string serializeState(const SyncState& state)
{
    std::string rest;
    rest.reserve(state.pairs.size() * 200);
    for (const Pair& pair : state.pairs) {
        rest.append("pair ").append(std::to_string(pair.place)).append(" ");
        rest.append(escaped(pair.uid)).append(" ").append(escaped(pair.href));
        rest.append(" ").append(escaped(pair.etag)).append(pair.confirmed ? " 1" : " 0");
        writeRecord(rest, pair.record);
        writeCard(rest, pair.card);
        rest.append("\n");
    }
    for (const UnpairedRecord& record : state.unpaired) {
        rest.append("here ").append(std::to_string(record.place)).append(" ");
        rest.append(hex16(record.hash)).append("\n");
    }
    for (const PassedOverCard& card : state.passedOver)
        rest.append("passed ")
            .append(escaped(card.href))
            .append(" ")
            .append(escaped(card.etag))
            .append("\n");
    return withHead(state, rest);
}

SyncState parseState(std::string_view text)
{
    Parsed parsed = parseLines(text);
    parsed.state.settledOn = settledOn(parsed.settled, text);
    return std::move(parsed.state);
}

std::optional<SyncState> parseSettledHead(std::string_view text)
{
    const std::size_t headLength = settledHeadLength(text);
    if (headLength == 0)
        return std::nullopt;
    try {
        Parsed head = parseLines(text.substr(0, headLength));
        head.state.settledOn = settledOn(head.settled, text);
        if (!head.state.settledOn)
            return std::nullopt;
        return std::move(head.state);
    } catch (const BadStateFile&) {
        return std::nullopt;
    }
}

std::string withHeadOf(const SyncState& head, std::string_view settledText)
{
    return withHead(head, settledText.substr(settledHeadLength(settledText)));
}

} // namespace syncing
