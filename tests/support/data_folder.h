#pragma once

#include "store/contact_record.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <string>
#include <vector>

// A fresh temporary folder that is the working directory for the life of the object, where
// tests write and read "datphone" byte for byte.
class DataFolder {
public:
    DataFolder();
    ~DataFolder();
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

    void writeBytes(const QByteArray& bytes, const QString& name = QStringLiteral("datphone"));
    QByteArray bytes(const QString& name = QStringLiteral("datphone")) const;
    bool exists(const QString& name) const;

    void writeRecords(const std::vector<store::ContactRecord>& records);
    std::vector<store::ContactRecord> records() const;

private:
    QTemporaryDir dir_;
    QString previous_;
};

// A record as the program stores it: trimmed, blank-padded text, check values 0 or 1.
struct Contact {
    std::string nick = {};
    std::string fullName = {};
    std::string familyName = {};
    std::string city = {};
    std::string phone = {};
    std::string stdCode = {};
    std::string prefix = {};
    std::int16_t useStdCode = 0;
    std::int16_t usePrefix = 0;
};
store::ContactRecord makeRecord(const Contact& contact, std::int16_t recordNo);

// Records 1..n, one for each nickname, with a phone number derived from the position.
std::vector<store::ContactRecord> recordsNamed(const std::vector<std::string>& nicks);

QByteArray encoded(const std::vector<store::ContactRecord>& records);
