#include "support/data_folder.h"

#include <QDir>
#include <QFile>
#include <QTest>

DataFolder::DataFolder() : previous_(QDir::currentPath())
{
    if (!dir_.isValid() || !QDir::setCurrent(dir_.path()))
        qFatal("cannot make a temporary working directory");
}

DataFolder::~DataFolder()
{
    QDir::setCurrent(previous_);
}

void DataFolder::writeBytes(const QByteArray& bytes, const QString& name)
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
}

QByteArray DataFolder::bytes(const QString& name) const
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool DataFolder::exists(const QString& name) const
{
    return QFileInfo(filePath(name)).exists() || QFileInfo(filePath(name)).isSymLink();
}

void DataFolder::writeRecords(const std::vector<store::ContactRecord>& records)
{
    writeBytes(encoded(records));
}

std::vector<store::ContactRecord> DataFolder::records() const
{
    const QByteArray all = bytes();
    std::vector<store::ContactRecord> records;
    for (qsizetype at = 0; at + qsizetype(store::RecordSize) <= all.size();
         at += store::RecordSize) {
        const auto* begin = reinterpret_cast<const std::uint8_t*>(all.constData() + at);
        records.push_back(store::decodeRecord(
            std::span<const std::uint8_t, store::RecordSize>(begin, store::RecordSize)));
    }
    return records;
}

store::ContactRecord makeRecord(const Contact& contact, std::int16_t recordNo)
{
    store::ContactRecord record;
    record.RecordNo = recordNo;
    record.Nick.assign(contact.nick);
    record.FullName.assign(contact.fullName);
    record.FamilyName.assign(contact.familyName);
    record.City.assign(contact.city);
    record.Phone.assign(contact.phone);
    record.StdCode.assign(contact.stdCode);
    record.Prefix.assign(contact.prefix);
    record.UseStdCode = contact.useStdCode;
    record.UsePrefix = contact.usePrefix;
    return record;
}

std::vector<store::ContactRecord> recordsNamed(const std::vector<std::string>& nicks)
{
    std::vector<store::ContactRecord> records;
    for (std::size_t i = 0; i < nicks.size(); ++i) {
        const auto n = static_cast<std::int16_t>(i + 1);
        records.push_back(makeRecord({.nick = nicks[i],
                                      .fullName = nicks[i] + " Full",
                                      .familyName = nicks[i] + " Family",
                                      .city = "City " + std::to_string(n),
                                      .phone = "555" + std::to_string(n)},
                                     n));
    }
    return records;
}

QByteArray encoded(const std::vector<store::ContactRecord>& records)
{
    QByteArray bytes;
    for (const auto& record : records) {
        const store::RecordBytes one = store::encodeRecord(record);
        bytes.append(reinterpret_cast<const char*>(one.data()), qsizetype(one.size()));
    }
    return bytes;
}
