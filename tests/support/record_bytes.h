#pragma once

#include <QByteArray>

#include <cstdint>

// The 129 bytes of one record spelled out field by field, independently of the store's own
// encoder: texts blank-padded (or cut) to their widths, numbers 16-bit little-endian.
struct RecordBytes {
    std::int16_t recordNo = 0;
    QByteArray nick;
    QByteArray fullName;
    QByteArray familyName;
    QByteArray city;
    QByteArray phone;
    QByteArray stdCode;
    std::int16_t useStdCode = 0;
    QByteArray prefix;
    std::int16_t usePrefix = 0;

    QByteArray bytes() const;
};

// Record n (counted from 1) of a data file's bytes.
QByteArray recordAt(const QByteArray& file, int n);
