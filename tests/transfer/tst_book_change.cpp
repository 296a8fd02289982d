// What Undo takes back where: the decisions alone, on books written as letters. Each letter is
// one contact whose nickname is that letter; a digit behind it is another edit of the same
// contact ("B2"); "b" is the contact B stored at another place, with another RecordNo.
#include "transfer/book_change.h"

#include <QtTest>

using transfer::BookChange;
using transfer::KeptBecause;

namespace {

store::RecordBytes contact(const QString& code, std::int16_t recordNo)
{
    store::ContactRecord record;
    record.RecordNo = recordNo;
    record.Nick.assign(code.left(1).toUpper().toStdString());
    record.Phone.assign("555");
    record.City.assign(code.mid(1).toStdString());
    if (code.front().isLower())
        record.RecordNo = std::int16_t(recordNo + 100);
    return store::encodeRecord(record);
}

// A book from "A B C": each contact at its place, carrying its place as RecordNo, unless it
// says otherwise ("C@3").
std::vector<store::RecordBytes> book(const QString& text)
{
    std::vector<store::RecordBytes> records;
    for (const QString& code : text.split(u' ', Qt::SkipEmptyParts)) {
        const auto at = code.indexOf(u'@');
        const auto recordNo =
            at < 0 ? std::int16_t(records.size() + 1) : std::int16_t(code.mid(at + 1).toInt());
        records.push_back(contact(at < 0 ? code : code.left(at), recordNo));
    }
    return records;
}

// The book written back as letters, RecordNo named where it is not the place; and the
// records kept, "~" changed since, "!" nickname taken.
QString lettersOf(const std::vector<store::RecordBytes>& records)
{
    QStringList codes;
    for (std::size_t i = 0; i < records.size(); ++i) {
        store::ContactRecord r = store::decodeRecord(records[i]);
        QString code =
            QString::fromLatin1(r.Nick.trimmed()) + QString::fromLatin1(r.City.trimmed());
        if (r.RecordNo > 100)
            code = code.toLower(), r.RecordNo = std::int16_t(r.RecordNo - 100);
        codes << (r.RecordNo == std::int16_t(i + 1) ? code
                                                    : code + u'@' + QString::number(r.RecordNo));
    }
    return codes.join(u' ');
}

QString keptOf(const transfer::UndoPlan& plan)
{
    QStringList kept;
    for (const transfer::KeptRecord& r : plan.kept)
        kept << QString::fromStdString(r.nick) + (r.why == KeptBecause::ChangedSince ? "~" : "!");
    return kept.join(u' ');
}

} // namespace

class TestBookChange : public QObject {
    Q_OBJECT

private slots:
    // A change is described by what a rewriting action did to the book before it, then
    // taken back from the book as it is now: `after` when nothing happened meanwhile, else
    // what another window or a sync made of it.
    void takenBack_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("removed");
        QTest::addColumn<QString>("rewritten"); // "place:code ..."
        QTest::addColumn<QString>("appended");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("undone");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("shown");

        // A deletion leaves the records behind with their old RecordNo.
        QTest::newRow("deletion, nothing since") << "A B C D" << QList<int>{2} << ""
                                                 << ""
                                                 << "A C@3 D@4"
                                                 << "A C@3 D@4"
                                                 << "A B C D"
                                                 << "" << 2;
        QTest::newRow("deletion of the first") << "A B C" << QList<int>{1} << ""
                                               << ""
                                               << "B@2 C@3"
                                               << "B@2 C@3"
                                               << "A B C"
                                               << "" << 1;
        QTest::newRow("deletion of the only one") << "A" << QList<int>{1} << ""
                                                  << ""
                                                  << ""
                                                  << ""
                                                  << "A"
                                                  << "" << 1;
        QTest::newRow("deletion, another window deleted in front of it")
            << "A B C D" << QList<int>{3} << ""
            << ""
            << "A B D@4"
            << "B@2 D@4"
            << "B@2 C@3 D@4"
            << "" << 2;
        QTest::newRow("deletion, another window added behind") << "A B C" << QList<int>{3} << ""
                                                               << ""
                                                               << "A B"
                                                               << "A B E@3"
                                                               << "A B C E@3"
                                                               << "" << 3;
        QTest::newRow("deletion, its neighbour before was edited, the one behind stays")
            << "A B C" << QList<int>{2} << ""
            << ""
            << "A C@3"
            << "A2 C@3"
            << "A2 B C"
            << "" << 2;
        QTest::newRow("deletion, both neighbours gone: at its place as far as the book reaches")
            << "A B C" << QList<int>{2} << ""
            << ""
            << "A C@3"
            << "E"
            << "E B"
            << "" << 2;
        QTest::newRow("deletion, the contact stored again meanwhile")
            << "A B C" << QList<int>{2} << ""
            << ""
            << "A C@3"
            << "A C@3 b"
            << "A C@3 b"
            << "B!" << 0;

        QTest::newRow("edit, nothing since") << "A B C" << QList<int>{} << "2:B2"
                                             << ""
                                             << "A B2 C"
                                             << "A B2 C"
                                             << "A B C"
                                             << "" << 2;
        QTest::newRow("edit, moved up by a deletion elsewhere") << "A B C" << QList<int>{} << "2:B2"
                                                                << ""
                                                                << "A B2 C"
                                                                << "B2@2 C@3"
                                                                << "B@2 C@3"
                                                                << "" << 1;
        QTest::newRow("edit, edited again meanwhile") << "A B C" << QList<int>{} << "2:B2"
                                                      << ""
                                                      << "A B2 C"
                                                      << "A B3 C"
                                                      << "A B3 C"
                                                      << "B~" << 0;
        QTest::newRow("edit that renamed, the old nickname taken meanwhile")
            << "A B C" << QList<int>{} << "2:E"
            << ""
            << "A E@2 C"
            << "A E@2 C b"
            << "A E C b"
            << "B!" << 0;

        QTest::newRow("import, nothing since") << "A B" << QList<int>{} << ""
                                               << "C D"
                                               << "A B C@3 D@4"
                                               << "A B C@3 D@4"
                                               << "A B"
                                               << "" << 0;
        QTest::newRow("import, another window deleted in front and added behind")
            << "A B" << QList<int>{} << ""
            << "C D"
            << "A B C@3 D@4"
            << "B@2 C@3 D@4 E@4"
            << "B@2 E@4"
            << "" << 0;
        QTest::newRow("import, one contact edited meanwhile stays") << "A B" << QList<int>{} << ""
                                                                    << "C D"
                                                                    << "A B C@3 D@4"
                                                                    << "A B C2@3 D@4"
                                                                    << "A B C2"
                                                                    << "C~" << 0;
        QTest::newRow("import that filled in a contact") << "A B" << QList<int>{} << "1:A2"
                                                         << "C"
                                                         << "A2 B C"
                                                         << "A2 B C"
                                                         << "A B"
                                                         << "" << 1;

        // Many contacts brought back at once are checked against an index of the nicknames.
        QTest::newRow("merge of nine, one of them stored again meanwhile")
            << "A B C D E F G H I J" << QList<int>{2, 3, 4, 5, 6, 7, 8, 9} << "1:A2"
            << ""
            << "A2 J@10"
            << "A2 J@10 i@3"
            << "A B C D E F G H J@10 i@3"
            << "I!" << 8;
        QTest::newRow("merge, the contact behind deleted meanwhile")
            << "A B C D" << QList<int>{3, 4} << "1:A2"
            << ""
            << "A2 B"
            << "A2"
            << "A C@3 D@4"
            << "" << 3;
    }

    void takenBack()
    {
        QFETCH(QString, before);
        QFETCH(QList<int>, removed);
        QFETCH(QString, rewritten);
        QFETCH(QString, appended);
        QFETCH(QString, after);
        QFETCH(QString, now);
        QFETCH(QString, undone);
        QFETCH(QString, kept);
        QFETCH(int, shown);

        const auto start = book(before);
        std::vector<transfer::Rewritten> written;
        for (const QString& entry : rewritten.split(u' ', Qt::SkipEmptyParts)) {
            const int place = entry.section(u':', 0, 0).toInt();
            written.push_back({place, contact(entry.section(u':', 1), std::int16_t(place))});
        }
        std::vector<store::RecordBytes> behind;
        for (const QString& code : appended.split(u' ', Qt::SkipEmptyParts))
            behind.push_back(
                contact(code, std::int16_t(start.size() - removed.size() + behind.size() + 1)));
        const std::vector<std::int32_t> gone(removed.begin(), removed.end());
        const BookChange change = transfer::changeOf("", start, gone, written, behind);

        // Taken back at once, the change gives the book it was made on, byte for byte.
        QCOMPARE(lettersOf(transfer::planUndo(change, book(after)).records), before);

        const transfer::UndoPlan plan = transfer::planUndo(change, book(now));
        QCOMPARE(lettersOf(plan.records), undone);
        QCOMPARE(keptOf(plan), kept);
        // Nothing is written when nothing is taken back.
        QCOMPARE(plan.takenBack == 0, lettersOf(plan.records) == lettersOf(book(now)));
        QCOMPARE(plan.shownPlace, shown);
    }
};

QTEST_APPLESS_MAIN(TestBookChange)
#include "tst_book_change.moc"
