#pragma once

#include "store/fixed_text.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

namespace store {

// One contact, as it lives in the data file: 129 bytes, no header, no padding.
struct ContactRecord {
    std::int16_t RecordNo = 0;
    FixedText<15> Nick;
    FixedText<25> FullName;
    FixedText<25> FamilyName;
    FixedText<25> City;
    FixedText<20> Phone;
    FixedText<10> StdCode;
    std::int16_t UseStdCode = 0;
    FixedText<3> Prefix;
    std::int16_t UsePrefix = 0;

    friend bool operator==(const ContactRecord&, const ContactRecord&) = default;
};

inline constexpr std::size_t RecordSize = 129;
// RecordNo is a 16-bit field: no record past this number could carry its own number.
inline constexpr std::int32_t MaxRecords = 32767;
using RecordBytes = std::array<std::uint8_t, RecordSize>;

// Byte offsets of the fields; UsePrefix sits at the odd offset 127, right behind Prefix.
namespace offset {
inline constexpr std::size_t RecordNo = 0;
inline constexpr std::size_t Nick = 2;
inline constexpr std::size_t FullName = 17;
inline constexpr std::size_t FamilyName = 42;
inline constexpr std::size_t City = 67;
inline constexpr std::size_t Phone = 92;
inline constexpr std::size_t StdCode = 112;
inline constexpr std::size_t UseStdCode = 122;
inline constexpr std::size_t Prefix = 124;
inline constexpr std::size_t UsePrefix = 127;
} // namespace offset

RecordBytes encodeRecord(const ContactRecord& record);
ContactRecord decodeRecord(std::span<const std::uint8_t, RecordSize> bytes);

// The 129 bytes of one record where they lie, read in place: a scan that looks at one field of
// every record reads that field without copying the record. Valid as long as the bytes are.
class RecordView {
public:
    explicit RecordView(std::span<const std::uint8_t, RecordSize> bytes) : bytes_(bytes) {}

    // Each text field as stored: all its characters, trailing blanks included.
    std::string_view nick() const { return text<&ContactRecord::Nick>(offset::Nick); }
    std::string_view fullName() const { return text<&ContactRecord::FullName>(offset::FullName); }
    std::string_view familyName() const
    {
        return text<&ContactRecord::FamilyName>(offset::FamilyName);
    }
    std::string_view city() const { return text<&ContactRecord::City>(offset::City); }
    std::string_view phone() const { return text<&ContactRecord::Phone>(offset::Phone); }

    ContactRecord decode() const { return decodeRecord(bytes_); }
    std::span<const std::uint8_t, RecordSize> bytes() const { return bytes_; }

private:
    template <auto Field> std::string_view text(std::size_t at) const
    {
        using Text = std::remove_cvref_t<decltype(std::declval<ContactRecord>().*Field)>;
        return {reinterpret_cast<const char*>(bytes_.data()) + at, Text::width};
    }

    std::span<const std::uint8_t, RecordSize> bytes_;
};

} // namespace store
