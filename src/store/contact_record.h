#pragma once

#include "store/fixed_text.h"

#include <array>
#include <cstdint>
#include <span>

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

} // namespace store
