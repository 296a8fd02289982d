#include "store/contact_record.h"

#include <QTest>

using namespace store;

class TestContactRecord : public QObject {
    Q_OBJECT

private slots:
    void textFieldsSitAtTheirOffsets_data();
    void textFieldsSitAtTheirOffsets();
    void integersAreLittleEndianAtTheirOffsets_data();
    void integersAreLittleEndianAtTheirOffsets();
    void assignmentPadsAndCuts_data();
    void assignmentPadsAndCuts();
    void everyByteSurvivesARoundTrip();
    void trimmingRemovesBlanksOnly();
    void aViewReadsEachFieldAtItsOffset();
    void trimmedEqualsIsTrimmingThenComparing_data();
    void trimmedEqualsIsTrimmingThenComparing();
};

namespace {

struct FieldRef {
    std::size_t offset;
    std::size_t width;
    void (*set)(ContactRecord&, std::string_view);
};

FieldRef field(const QByteArray& name)
{
    if (name == "Nick")
        return {2, 15, [](ContactRecord& r, std::string_view t) { r.Nick.assign(t); }};
    if (name == "FullName")
        return {17, 25, [](ContactRecord& r, std::string_view t) { r.FullName.assign(t); }};
    if (name == "FamilyName")
        return {42, 25, [](ContactRecord& r, std::string_view t) { r.FamilyName.assign(t); }};
    if (name == "City")
        return {67, 25, [](ContactRecord& r, std::string_view t) { r.City.assign(t); }};
    if (name == "Phone")
        return {92, 20, [](ContactRecord& r, std::string_view t) { r.Phone.assign(t); }};
    if (name == "StdCode")
        return {112, 10, [](ContactRecord& r, std::string_view t) { r.StdCode.assign(t); }};
    return {124, 3, [](ContactRecord& r, std::string_view t) { r.Prefix.assign(t); }};
}

} // namespace

void TestContactRecord::textFieldsSitAtTheirOffsets_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char* name :
         {"Nick", "FullName", "FamilyName", "City", "Phone", "StdCode", "Prefix"})
        QTest::newRow(name) << QByteArray(name);
}

void TestContactRecord::textFieldsSitAtTheirOffsets()
{
    QFETCH(QByteArray, name);
    const FieldRef ref = field(name);
    ContactRecord record;
    const std::string full(ref.width, 'x');
    ref.set(record, full);
    const RecordBytes bytes = encodeRecord(record);
    QCOMPARE(bytes.size(), std::size_t(129));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool inside = i >= ref.offset && i < ref.offset + ref.width;
        const bool integer = i < 2 || i == 122 || i == 123 || i == 127 || i == 128;
        const std::uint8_t expected = inside ? 'x' : integer ? 0 : ' ';
        QVERIFY2(bytes[i] == expected, qPrintable(QStringLiteral("byte %1").arg(i)));
    }
}

void TestContactRecord::integersAreLittleEndianAtTheirOffsets_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("offset");
    QTest::newRow("RecordNo 258") << 0 << 258 << 0;
    QTest::newRow("RecordNo -1") << 0 << -1 << 0;
    QTest::newRow("RecordNo 32767") << 0 << 32767 << 0;
    QTest::newRow("UseStdCode 1") << 1 << 1 << 122;
    QTest::newRow("UsePrefix 1 at the odd offset") << 2 << 1 << 127;
    QTest::newRow("UsePrefix -2") << 2 << -2 << 127;
}

void TestContactRecord::integersAreLittleEndianAtTheirOffsets()
{
    QFETCH(int, which);
    QFETCH(int, value);
    QFETCH(int, offset);
    ContactRecord record;
    std::int16_t* fields[] = {&record.RecordNo, &record.UseStdCode, &record.UsePrefix};
    *fields[which] = static_cast<std::int16_t>(value);
    const RecordBytes bytes = encodeRecord(record);
    const auto bits = static_cast<std::uint16_t>(value);
    QCOMPARE(int(bytes[offset]), int(bits & 0xFF));
    QCOMPARE(int(bytes[offset + 1]), int(bits >> 8));
    QCOMPARE(decodeRecord(bytes), record);
}

void TestContactRecord::assignmentPadsAndCuts_data()
{
    QTest::addColumn<QByteArray>("assigned");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("two characters padded") << QByteArray("Jo") << QByteArray("Jo             ");
    QTest::newRow("exactly the width")
        << QByteArray("abcdefghijklmno") << QByteArray("abcdefghijklmno");
    QTest::newRow("longer is cut")
        << QByteArray("abcdefghijklmnopq") << QByteArray("abcdefghijklmno");
    QTest::newRow("empty is all blanks") << QByteArray("") << QByteArray(15, ' ');
    QTest::newRow("leading blanks kept") << QByteArray("  x") << QByteArray("  x            ");
}

void TestContactRecord::assignmentPadsAndCuts()
{
    QFETCH(QByteArray, assigned);
    QFETCH(QByteArray, stored);
    FixedText<15> text;
    text.assign(std::string_view(assigned.constData(), assigned.size()));
    QCOMPARE(QByteArray(text.text().data(), qsizetype(text.text().size())), stored);
}

void TestContactRecord::everyByteSurvivesARoundTrip()
{
    // Records read from any file must write back byte for byte, whatever they hold.
    RecordBytes bytes{};
    for (int seed = 0; seed < 256; ++seed) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>((seed * 31 + i * 7) & 0xFF);
        QCOMPARE(encodeRecord(decodeRecord(bytes)), bytes);
    }
}

void TestContactRecord::trimmingRemovesBlanksOnly()
{
    QCOMPARE(FixedText<10>("  ab c ").trimmed(), std::string_view("ab c"));
    QCOMPARE(FixedText<10>("\tab").trimmed(), std::string_view("\tab"));
    QCOMPARE(FixedText<10>("").trimmed(), std::string_view(""));
}

void TestContactRecord::aViewReadsEachFieldAtItsOffset()
{
    // Every byte different, so that a field read one byte off shows.
    RecordBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i + 1);
    const RecordView view(bytes);
    const ContactRecord record = decodeRecord(bytes);
    QCOMPARE(view.decode(), record);
    QCOMPARE(view.nick(), record.Nick.text());
    QCOMPARE(view.fullName(), record.FullName.text());
    QCOMPARE(view.familyName(), record.FamilyName.text());
    QCOMPARE(view.city(), record.City.text());
    QCOMPARE(view.phone(), record.Phone.text());
    // In place: no copy of the record is made.
    QCOMPARE(static_cast<const void*>(view.nick().data()),
             static_cast<const void*>(bytes.data() + offset::Nick));
    QCOMPARE(static_cast<const void*>(view.phone().data()),
             static_cast<const void*>(bytes.data() + offset::Phone));
}

void TestContactRecord::trimmedEqualsIsTrimmingThenComparing_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("wanted");
    for (const char* stored :
         {"Velor          ", "  Velor        ", "Velor", "Vel            ", "               ", "",
          "V              ", " a b           ", "Velorx         ", "velor          "}) {
        for (const char* wanted : {"Velor", "Vel", "", " Velor", "Velor ", "V", "a b", "velor"})
            QTest::addRow("\"%s\" for \"%s\"", stored, wanted)
                << QByteArray(stored) << QByteArray(wanted);
    }
}

void TestContactRecord::trimmedEqualsIsTrimmingThenComparing()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, wanted);
    const std::string_view text(stored.constData(), std::size_t(stored.size()));
    const std::string_view value(wanted.constData(), std::size_t(wanted.size()));
    QCOMPARE(trimmedEquals(text, value), trimBlanks(text) == value);
    QCOMPARE(firstCharacterTrimmed(text), trimBlanks(text).substr(0, 1));
}

QTEST_APPLESS_MAIN(TestContactRecord)
#include "tst_contact_record.moc"
