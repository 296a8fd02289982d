#include "exchange/csv_columns.h"

#include "exchange/column_guess.h"
#include "exchange/column_meaning.h"
#include "exchange/csv_text.h"
#include "exchange/formula_guard.h"
#include "exchange/utf8.h"

#include <algorithm>

namespace exchange {
namespace {

// This program's own export, by the window's captions: all of them or it is not its own.
constexpr std::string_view ownHeaders[] = {"nick name",    "full name", "family name",
                                           "city",         "phone",     "std code",
                                           "use std code", "prefix",    "use prefix"};

// "phone 3 - value" gives "phone 3"; nothing when the header is not `kind n - what`.
std::optional<std::string> numberedGroup(const std::string& header, std::string_view kind,
                                         std::string_view what)
{
    const std::string tail = " - " + std::string(what);
    if (!header.starts_with(kind) || !header.ends_with(tail) ||
        header.size() <= kind.size() + tail.size())
        return std::nullopt;
    const std::string_view number =
        std::string_view(header).substr(kind.size(), header.size() - kind.size() - tail.size());
    if (!std::all_of(number.begin(), number.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
        return std::nullopt;
    return header.substr(0, header.size() - tail.size());
}

// The rank of a number by the kind Google gives it ("* Mobile" is the primary one); nothing for
// a fax or a pager, which no one calls.
std::optional<int> rankOfLabel(std::string_view label)
{
    const std::string kind = foldedHeader(label);
    if (kind.find("fax") != std::string::npos || kind.find("pager") != std::string::npos)
        return std::nullopt;
    if (kind.starts_with('*'))
        return 1;
    for (auto [word, rank] : {std::pair{"mobile", 2}, {"cell", 2}, {"home", 3}, {"work", 4}}) {
        if (kind.find(word) != std::string::npos)
            return rank;
    }
    return 5;
}

// Google puts several values in one cell, separated by " ::: "; the first is the main one.
std::u32string firstValue(const std::vector<std::string>& row, std::size_t column)
{
    if (column >= row.size())
        return {};
    const std::string& cell = row[column];
    return fromUtf8(std::string_view(cell).substr(0, cell.find(" ::: ")));
}

std::u32string cellAt(const std::vector<std::string>& row, std::optional<std::size_t> column,
                      bool own)
{
    if (!column || *column >= row.size())
        return {};
    return fromUtf8(own ? unguardedCell(row[*column]) : row[*column]);
}

std::optional<std::u32string> storedCell(const std::vector<std::string>& row,
                                         std::optional<std::size_t> column)
{
    if (!column || *column >= row.size())
        return std::nullopt;
    return fromUtf8(unguardedCell(row[*column]));
}

std::optional<std::size_t> columnNamed(const std::vector<std::string>& header,
                                       std::string_view name)
{
    const std::string wanted = foldedHeader(name);
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (foldedHeader(header[i]) == wanted)
            return i;
    }
    return std::nullopt;
}

} // namespace

std::string_view fieldName(ContactField field)
{
    constexpr std::string_view names[] = {"nick", "full", "family", "city", "phone"};
    return names[static_cast<std::size_t>(field)];
}

std::optional<ContactField> fieldNamed(std::string_view name)
{
    for (std::size_t i = 0; i < ContactFieldCount; ++i) {
        if (fieldName(ContactField(i)) == name)
            return ContactField(i);
    }
    return std::nullopt;
}

CsvColumns::CsvColumns(const std::vector<std::string>& header,
                       const std::vector<ColumnRequest>& requests)
{
    own_ = std::all_of(std::begin(ownHeaders), std::end(ownHeaders),
                       [&](std::string_view name) { return columnNamed(header, name); });
    if (own_) {
        placeOwn(header);
    } else {
        const std::vector<std::optional<ColumnMeaning>> meanings = meaningsOf(header);
        for (std::size_t i = 0; i < header.size(); ++i)
            place(i, header, meanings[i]);
    }
    for (const ColumnRequest& request : requests)
        grant(request, header);
    const bool named = nick_ || given_ || family_ || display_;
    if (phones_.empty() && !named)
        refuse("no phone column and no name column found", header);
    if (phones_.empty())
        refuse("no phone column found", header);
    if (!named)
        refuse("no name column found", header);
}

void CsvColumns::refuse(const std::string& why, const std::vector<std::string>& header) const
{
    UnplacedColumns refusal(why);
    refusal.header = header;
    refusal.found = found();
    throw refusal;
}

void CsvColumns::place(std::size_t column, const std::vector<std::string>& header,
                       const std::optional<ColumnMeaning>& meaning)
{
    const std::string name = foldedHeader(header[column]);
    if (const auto group = numberedGroup(name, "address ", "city")) {
        cities_.push_back({column, *group == "address 1" ? 1 : 5, {}});
        return;
    }
    if (const auto group = numberedGroup(name, "phone ", "value")) {
        auto label = columnNamed(header, *group + " - type");
        phones_.push_back({column, 5, label ? label : columnNamed(header, *group + " - label")});
        return;
    }
    if (!meaning)
        return;
    std::optional<std::size_t>* single[] = {&nick_,          &given_,        &middle_,
                                            &family_,        &display_,      &givenReading_,
                                            &middleReading_, &familyReading_};
    if (meaning->role == ColumnRole::City)
        cities_.push_back({column, meaning->rank, {}});
    else if (meaning->role == ColumnRole::Phone)
        phones_.push_back({column, meaning->rank, {}});
    else if (auto& slot = *single[static_cast<int>(meaning->role)]; !slot)
        slot = column;
}

void CsvColumns::placeOwn(const std::vector<std::string>& header)
{
    const auto at = [&](std::string_view name) { return columnNamed(header, name); };
    nick_ = at("nick name");
    given_ = at("full name");
    family_ = at("family name");
    cities_.push_back({*at("city"), 1, {}});
    phones_.push_back({*at("phone"), 1, {}});
    stdCode_ = at("std code");
    useStdCode_ = at("use std code");
    prefix_ = at("prefix");
    usePrefix_ = at("use prefix");
}

void CsvColumns::grant(const ColumnRequest& request, const std::vector<std::string>& header)
{
    std::optional<std::size_t> column = columnNamed(header, request.column);
    const std::string& asked = request.column;
    if (!column && !asked.empty() && asked.size() < 6 &&
        std::all_of(asked.begin(), asked.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
        const std::size_t number = std::stoul(asked);
        if (number >= 1 && number <= header.size())
            column = number - 1;
    }
    if (!column)
        refuse("no column \"" + asked + "\" in the file", header);
    switch (request.field) {
    case ContactField::Nick:
        nick_ = column;
        break;
    case ContactField::FullName:
        given_ = column;
        middle_.reset();
        break;
    case ContactField::FamilyName:
        family_ = column;
        break;
    case ContactField::City:
        cities_ = {{*column, 1, {}}};
        break;
    case ContactField::Phone:
        phones_ = {{*column, 1, {}}};
        break;
    }
}

namespace {

template <typename Ranked>
std::optional<std::size_t> mostPreferred(const std::vector<Ranked>& columns)
{
    const auto best =
        std::min_element(columns.begin(), columns.end(),
                         [](const Ranked& a, const Ranked& b) { return a.rank < b.rank; });
    return best == columns.end() ? std::nullopt : std::optional<std::size_t>(best->column);
}

} // namespace

std::array<std::optional<std::size_t>, ContactFieldCount> CsvColumns::found() const
{
    return {nick_, given_ ? given_ : display_, family_, mostPreferred(cities_),
            mostPreferred(phones_)};
}

Card CsvColumns::card(const std::vector<std::string>& row) const
{
    Card card;
    if (nick_)
        card.nickname = cellAt(row, nick_, own_);
    if (display_)
        card.formattedName = cellAt(row, display_, own_);
    card.name = {cellAt(row, family_, own_), cellAt(row, given_, own_), cellAt(row, middle_, own_)};
    if (familyReading_ || givenReading_ || middleReading_)
        card.nameReading = {cellAt(row, familyReading_, false), cellAt(row, givenReading_, false),
                            cellAt(row, middleReading_, false)};
    // The first city of the most preferred kind that the row fills in.
    int cityRank = 0;
    for (const Ranked& city : cities_) {
        std::u32string text = own_ ? cellAt(row, city.column, true) : firstValue(row, city.column);
        if (text.find_first_not_of(U" \t") != std::u32string::npos &&
            (!card.locality || city.rank < cityRank)) {
            card.locality = std::move(text);
            cityRank = city.rank;
        }
    }
    if (own_) {
        card.stored = {storedCell(row, phones_.front().column), storedCell(row, prefix_),
                       storedCell(row, stdCode_), storedCell(row, usePrefix_),
                       storedCell(row, useStdCode_)};
        return card;
    }
    for (const Ranked& phone : phones_) {
        const std::optional<int> rank =
            phone.label ? rankOfLabel(phone.label < row.size() ? row[*phone.label] : "")
                        : phone.rank;
        if (rank)
            card.telephones.push_back({firstValue(row, phone.column), *rank, true});
    }
    return card;
}

CsvColumns placeColumns(const std::vector<std::string>& header,
                        const std::vector<ColumnRequest>& requests, const CsvReader& reader)
{
    try {
        return CsvColumns(header, requests);
    } catch (UnplacedColumns& refusal) {
        CsvReader ahead = reader;
        std::vector<std::string> row;
        while (refusal.firstRows.size() < 5 && ahead.next(row)) {
            if (!isBlankRow(row))
                refusal.firstRows.push_back(row);
        }
        refusal.guessed = guessedColumns(refusal);
        throw;
    }
}

bool knowsAnyColumn(const std::vector<std::string>& header)
{
    try {
        CsvColumns columns(header, {});
        return true;
    } catch (const UnplacedColumns& refusal) {
        return std::any_of(refusal.found.begin(), refusal.found.end(),
                           [](const auto& column) { return column.has_value(); });
    }
}

} // namespace exchange
