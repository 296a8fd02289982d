#include "support/record_bytes.h"

namespace {

QByteArray field(const QByteArray& text, int width)
{
    return text.left(width).leftJustified(width, ' ');
}

QByteArray number(std::int16_t value)
{
    const auto bits = static_cast<std::uint16_t>(value);
    QByteArray bytes;
    bytes.append(static_cast<char>(bits & 0xFF));
    bytes.append(static_cast<char>(bits >> 8));
    return bytes;
}

} // namespace

QByteArray RecordBytes::bytes() const
{
    return number(recordNo) + field(nick, 15) + field(fullName, 25) + field(familyName, 25) +
           field(city, 25) + field(phone, 20) + field(stdCode, 10) + number(useStdCode) +
           field(prefix, 3) + number(usePrefix);
}

QByteArray recordAt(const QByteArray& file, int n)
{
    return file.mid(qsizetype(n - 1) * 129, 129);
}
