// The tel: URI a composed number is handed over as.
#include "dialing/tel_uri.h"

#include <QTest>

class TestTelUri : public QObject {
    Q_OBJECT

private slots:
    void keepsWhatIsDialled_data();
    void keepsWhatIsDialled();
};

void TestTelUri::keepsWhatIsDialled_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("uri"); // empty: no call

    QTest::newRow("prefix with its blanks, code, phone") << "0  47123"
                                                         << "tel:047123";
    QTest::newRow("phone as a list click shows it") << "123                 "
                                                    << "tel:123";
    QTest::newRow("international") << "+44 20 7946 0018"
                                   << "tel:+442079460018";
    QTest::newRow("separators") << "(0471) 12-34.56"
                                << "tel:0471123456";
    // "#" belongs to the number; it must not end the URI's path as a fragment.
    QTest::newRow("star and hash") << "*31#0471"
                                   << "tel:*31%230471";
    QTest::newRow("letters are left out") << "1-800-FLOWERS"
                                          << "tel:1800";
    QTest::newRow("an extension word") << "0471 ext 5"
                                       << "tel:04715";
    QTest::newRow("other characters") << "0/471,5;p?\t"
                                      << "tel:04715";
    QTest::newRow("digits of other scripts are not dialled")
        << QString::fromUtf8("١٢٣ 4") << "tel:4";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blanks only") << "   "
                                 << "";
    QTest::newRow("separators only") << " -.() "
                                     << "";
    QTest::newRow("letters only") << "abc"
                                  << "";
}

void TestTelUri::keepsWhatIsDialled()
{
    QFETCH(QString, number);
    QFETCH(QString, uri);

    const QUrl made = telUri(number);
    if (uri.isEmpty()) {
        QVERIFY2(made.isEmpty(), qPrintable(made.toString()));
        return;
    }
    QVERIFY(made.isValid());
    QCOMPARE(made.scheme(), QStringLiteral("tel"));
    QCOMPARE(made.toString(), uri);
    QCOMPARE(QString::fromLatin1(made.toEncoded()), uri);
    // What a telephony program reads back is the number itself.
    QCOMPARE(QUrl(uri).path(), made.path());
}

QTEST_GUILESS_MAIN(TestTelUri)
#include "tst_tel_uri.moc"
