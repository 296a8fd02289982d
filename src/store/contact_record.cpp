#include "store/contact_record.h"

#include <cstring>

namespace store {
namespace {

void putInt16(RecordBytes& out, std::size_t at, std::int16_t value)
{
    const auto bits = static_cast<std::uint16_t>(value);
    out[at] = static_cast<std::uint8_t>(bits & 0xFF);
    out[at + 1] = static_cast<std::uint8_t>(bits >> 8);
}

std::int16_t getInt16(std::span<const std::uint8_t, RecordSize> in, std::size_t at)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8)));
}

template <std::size_t Width>
void putText(RecordBytes& out, std::size_t at, const FixedText<Width>& field)
{
    std::memcpy(out.data() + at, field.data(), Width);
}

template <std::size_t Width>
void getText(std::span<const std::uint8_t, RecordSize> in, std::size_t at, FixedText<Width>& field)
{
    std::memcpy(field.data(), in.data() + at, Width);
}

} // namespace

RecordBytes encodeRecord(const ContactRecord& record)
{
    RecordBytes out{};
    putInt16(out, offset::RecordNo, record.RecordNo);
    putText(out, offset::Nick, record.Nick);
    putText(out, offset::FullName, record.FullName);
    putText(out, offset::FamilyName, record.FamilyName);
    putText(out, offset::City, record.City);
    putText(out, offset::Phone, record.Phone);
    putText(out, offset::StdCode, record.StdCode);
    putInt16(out, offset::UseStdCode, record.UseStdCode);
    putText(out, offset::Prefix, record.Prefix);
    putInt16(out, offset::UsePrefix, record.UsePrefix);
    return out;
}

ContactRecord decodeRecord(std::span<const std::uint8_t, RecordSize> in)
{
    ContactRecord record;
    record.RecordNo = getInt16(in, offset::RecordNo);
    getText(in, offset::Nick, record.Nick);
    getText(in, offset::FullName, record.FullName);
    getText(in, offset::FamilyName, record.FamilyName);
    getText(in, offset::City, record.City);
    getText(in, offset::Phone, record.Phone);
    getText(in, offset::StdCode, record.StdCode);
    record.UseStdCode = getInt16(in, offset::UseStdCode);
    getText(in, offset::Prefix, record.Prefix);
    record.UsePrefix = getInt16(in, offset::UsePrefix);
    return record;
}

} // namespace store
