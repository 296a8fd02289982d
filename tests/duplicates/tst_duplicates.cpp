// Which contacts are one person, the groups of them in a book, and the contact a group becomes.
#include "duplicates/duplicate_groups.h"
#include "duplicates/merging.h"
#include "duplicates/same_person.h"
#include "support/record_fields.h"

#include <QStringList>
#include <QTest>

namespace {

// "nick|full|family|city|phone", the phone dialled alone.
store::ContactRecord contact(const QString& fields)
{
    const QStringList parts = fields.split(u'|');
    store::ContactRecord record;
    record.Nick.assign(parts.value(0).toLatin1().toStdString());
    record.FullName.assign(parts.value(1).toLatin1().toStdString());
    record.FamilyName.assign(parts.value(2).toLatin1().toStdString());
    record.City.assign(parts.value(3).toLatin1().toStdString());
    record.Phone.assign(parts.value(4).toLatin1().toStdString());
    return record;
}

std::vector<store::ContactRecord> book(const QStringList& contacts)
{
    std::vector<store::ContactRecord> records;
    for (const QString& fields : contacts)
        records.push_back(contact(fields));
    return records;
}

// "0,2 1,3": each group's indices.
QString groupsText(const std::vector<std::vector<std::size_t>>& groups)
{
    QStringList out;
    for (const auto& group : groups) {
        QStringList members;
        for (std::size_t at : group)
            members << QString::number(at);
        out << members.join(u',');
    }
    return out.join(u' ');
}

const numbers::NumberComparison germany("DE");

} // namespace

class TestDuplicates : public QObject {
    Q_OBJECT

private slots:
    void samePerson_data();
    void samePerson();
    void groupsInTheBook_data();
    void groupsInTheBook();
    void mergedContact_data();
    void mergedContact();
    void mergedBookKeepsTheOrder();
};

void TestDuplicates::samePerson_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("same nickname, number written otherwise")
        << "Frank|||Berlin|030 1234567"
        << "Frank|Frank|Miller||+49301234567" << true;
    QTest::newRow("same names, other nickname") << "Frank|Frank|Miller||030 1234567"
                                                << "Frank1|Frank|Miller||0301234567" << true;
    QTest::newRow("names in other case") << "Frank|FRANK|miller||030 1234567"
                                         << "Franky|Frank|Miller||030 1234567" << true;
    QTest::newRow("accented names in other case")
        << "Zoe|Zo\xC3\xAB|\xC3\x89vrard||030 1234567"
        << "Z|ZO\xC3\x8B|\xC3\xA9vrard||030 1234567" << true;
    QTest::newRow("same nickname, other number") << "Frank|||Berlin|030 1234567"
                                                 << "Frank|||Berlin|030 7654321" << false;
    QTest::newRow("same names, other number") << "Frank|Frank|Miller||030 1234567"
                                              << "Frank1|Frank|Miller||040 1234567" << false;
    QTest::newRow("one number, two people") << "Mum|Anna|Miller||030 1234567"
                                            << "Dad|Bernd|Miller||030 1234567" << false;
    QTest::newRow("blank names tell no one apart") << "Mum|||Berlin|030 1234567"
                                                   << "Dad|||Berlin|030 1234567" << false;
    QTest::newRow("only the full name the same") << "Frank|Frank|Miller||030 1234567"
                                                 << "Frank1|Frank|||030 1234567" << false;
    QTest::newRow("no number") << "Frank|Frank|Miller||"
                               << "Frank|Frank|Miller||" << false;
}

void TestDuplicates::samePerson()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(duplicates::samePerson(contact(a), contact(b), germany), same);
    QCOMPARE(duplicates::samePerson(contact(b), contact(a), germany), same);
}

void TestDuplicates::groupsInTheBook_data()
{
    QTest::addColumn<QStringList>("contacts");
    QTest::addColumn<QString>("groups");

    QTest::newRow("none") << QStringList{"Ann|Ann|Lee||030 111111", "Bob|Bob|Lee||030 222222"}
                          << "";
    QTest::newRow("an import twice")
        << QStringList{"Frank|Frank|Miller||030 1234567", "Tim|Tim|Bauer||040 7654321",
                       "Frank1|Frank|Miller||030 1234567", "Tim1|Tim|Bauer||040 7654321"}
        << "0,2 1,3";
    QTest::newRow("three writings of one number")
        << QStringList{"F|Frank|Miller||+49 30 1234567", "Ann|Ann|Lee||030 111111",
                       "F2|frank|miller||(030) 123-4567", "F3|Frank|Miller||0049301234567"}
        << "0,2,3";
    QTest::newRow("a chain through a third")
        << QStringList{"F|Frank|Miller||030 1234567", "F1|Frank|Miller||030 1234567",
                       "F|Frank|Miller||030 1234567"}
        << "0,1,2";
    QTest::newRow("same names, numbers apart")
        << QStringList{"F|Frank|Miller||030 1234567", "F1|Frank|Miller||040 1234567",
                       "F2|Frank|Miller||030 1234567"}
        << "0,2";
    QTest::newRow("blank phones") << QStringList{"F|Frank|Miller||", "F1|Frank|Miller||"} << "";
}

void TestDuplicates::groupsInTheBook()
{
    QFETCH(QStringList, contacts);
    QFETCH(QString, groups);
    QCOMPARE(groupsText(duplicates::duplicateGroups(book(contacts), germany)), groups);
}

void TestDuplicates::mergedContact_data()
{
    QTest::addColumn<QStringList>("group");
    QTest::addColumn<QByteArray>("merged");

    QTest::newRow("the first's text stays")
        << QStringList{"Frank|Frank|Miller|Berlin|030 1234567",
                       "Frank1|Franz|Mueller|Hamburg|+49 30 1234567"}
        << QByteArray("Frank|Frank|Miller|Berlin|030 1234567||0");
    QTest::newRow("blanks filled from the first that has it")
        << QStringList{"Frank|||  |030 1234567", "F1|||Bonn|0301234567",
                       "F2|Frank|Miller|Hamburg|0301234567"}
        << QByteArray("Frank|Frank|Miller|Bonn|030 1234567||0");
}

void TestDuplicates::mergedContact()
{
    QFETCH(QStringList, group);
    QFETCH(QByteArray, merged);
    QCOMPARE(fieldsOf(duplicates::mergedContact(book(group))), merged);
}

void TestDuplicates::mergedBookKeepsTheOrder()
{
    std::vector<store::ContactRecord> records =
        book({"Frank|Frank|Miller||030 1234567", "Ann|Ann|Lee||030 111111",
              "F1|Frank|Miller|Bonn|30 1234567"});
    // The number stays the first's, prefix and tick too: pieces of two writings are no number.
    records[0].Prefix.assign("0");
    records[0].UsePrefix = 0;
    records[2].Prefix.assign("0");
    records[2].UsePrefix = 1;
    for (std::size_t at = 0; at < records.size(); ++at)
        records[at].RecordNo = std::int16_t(at + 1);
    const auto groups = duplicates::duplicateGroups(records, germany);
    QCOMPARE(groupsText(groups), QStringLiteral("0,2"));
    const auto merged = duplicates::mergedBook(records, groups);
    QCOMPARE(merged.size(), std::size_t(2));
    QCOMPARE(fieldsOf(merged[0]), QByteArray("Frank|Frank|Miller|Bonn|030 1234567|0|0"));
    QCOMPARE(merged[0].RecordNo, std::int16_t(1));
    QCOMPARE(merged[1], records[1]);
}

QTEST_APPLESS_MAIN(TestDuplicates)
#include "tst_duplicates.moc"
