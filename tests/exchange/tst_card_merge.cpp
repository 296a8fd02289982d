// The card that stays when two contacts are merged takes what the other card holds and it
// lacks, and keeps every line of its own as it was.
#include "exchange/card_merge.h"
#include "sync/state/merge_notes.h"

#include <QTest>

namespace {

QByteArray card(const QByteArray& lines)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Frank Miller\r\n" + lines + "END:VCARD\r\n";
}

} // namespace

class TestCardMerge : public QObject {
    Q_OBJECT

private slots:
    void keptCardTakesWhatItLacks_data();
    void keptCardTakesWhatItLacks();
    void notesSurviveACutOffLine();
};

void TestCardMerge::keptCardTakesWhatItLacks_data()
{
    QTest::addColumn<QByteArray>("kept");
    QTest::addColumn<QByteArray>("merged");
    QTest::addColumn<QByteArray>("taken"); // the lines added before END

    QTest::newRow("e-mail, number, address, note")
        << card("TEL:030 1234567\r\n")
        << card("TEL;TYPE=WORK:+49 40 5550000\r\nEMAIL:f@work.example\r\n"
                "ADR;TYPE=WORK:;;Dock 1;Hamburg;;20457;\r\nNOTE:met at the fair\r\n")
        << QByteArray("TEL;TYPE=WORK:+49 40 5550000\r\nEMAIL:f@work.example\r\n"
                      "ADR;TYPE=WORK:;;Dock 1;Hamburg;;20457;\r\nNOTE:met at the fair\r\n");
    QTest::newRow("what it holds, otherwise written, is not taken twice")
        << card("TEL:030 1234567\r\nEMAIL:F@Work.example\r\n")
        << card("TEL;TYPE=CELL:030 123 4567\r\nEMAIL:f@work.example\r\nEMAIL:f@home.example\r\n")
        << QByteArray("EMAIL:f@home.example\r\n");
    QTest::newRow("a photo only when it has none")
        << card("PHOTO;VALUE=URI:http://127.0.0.1/a.png\r\n")
        << card("PHOTO;VALUE=URI:http://127.0.0.1/b.png\r\n") << QByteArray();
    QTest::newRow("a photo, folded, and its group dropped")
        << card("")
        << card("item1.PHOTO;ENCODING=b;TYPE=JPEG:" + QByteArray(60, 'A') + "\r\n " +
                QByteArray(40, 'B') + "\r\n")
        << QByteArray("PHOTO;ENCODING=b;TYPE=JPEG:" + QByteArray(48, 'A') + "\r\n " +
                      QByteArray(12, 'A') + QByteArray(40, 'B') + "\r\n");
    QTest::newRow("names and the rest are the kept card's own")
        << card("NICKNAME:Frank\r\n")
        << card("NICKNAME:Frank1\r\nBDAY:1990-01-02\r\nX-PHONE-THING:theirs\r\n") << QByteArray();
}

void TestCardMerge::keptCardTakesWhatItLacks()
{
    QFETCH(QByteArray, kept);
    QFETCH(QByteArray, merged);
    QFETCH(QByteArray, taken);
    const QByteArray end = "END:VCARD\r\n";
    const QByteArray expected = kept.left(kept.size() - end.size()) + taken + end;
    QCOMPARE(QByteArray::fromStdString(
                 exchange::withPropertiesOf(kept.toStdString(), merged.toStdString())),
             expected);
}

void TestCardMerge::notesSurviveACutOffLine()
{
    const std::vector<syncing::MergeNote> notes{{"/book/a.vcf", "/book/b.vcf"},
                                                {"/book/a.vcf", "/book/c.vcf"}};
    const std::string text = syncing::mergeNotesText(notes);
    QCOMPARE(syncing::readMergeNotes(text), notes);
    // A machine that stopped while a note was added: that note was never written.
    QCOMPARE(syncing::readMergeNotes(text + "/book/d.vcf\t/book/"), notes);
}

QTEST_APPLESS_MAIN(TestCardMerge)
#include "tst_card_merge.moc"
