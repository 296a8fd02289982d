#include "sync/password/netrc.h"

#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sys/stat.h>

// Where a sync's password comes from when the keyring has none: ~/.netrc, read as curl reads it.
class TestNetrc : public QObject {
    Q_OBJECT
private slots:
    void password_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // "-" for none
        QTest::newRow("one line") << "machine dav.example login ann password s3cret" << "s3cret";
        QTest::newRow("over lines, tabs")
            << "machine dav.example\n\tlogin ann\n\tpassword s3cret\n" << "s3cret";
        QTest::newRow("another user's entry") << "machine dav.example login bob password x"
                                              << "-";
        QTest::newRow("another host, then default")
            << "machine other login ann password a\ndefault login ann password d" << "d";
        QTest::newRow("the host before default")
            << "default password d\nmachine dav.example password h" << "h";
        QTest::newRow("quoted with blanks")
            << "machine dav.example login ann password \"two words\\\"\"" << "two words\"";
        QTest::newRow("macdef passed over")
            << "macdef init\nmachine dav.example password no\n\nmachine dav.example password yes"
            << "yes";
        QTest::newRow("no password token") << "machine dav.example login ann" << "-";
        QTest::newRow("ends after a keyword") << "machine dav.example password" << "-";
    }
    void password()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto found = syncing::netrcPassword(text.toStdString(), "dav.example", "ann");
        QCOMPARE(found ? QString::fromStdString(*found) : QStringLiteral("-"), expected);
    }

    // A file others may read is not used, and the user is told why.
    void fileOthersMayRead()
    {
        QTemporaryDir home;
        const std::string path = home.filePath(".netrc").toStdString();
        std::ofstream(path) << "machine dav.example login ann password s3cret\n";
        ::chmod(path.c_str(), 0644);
        syncing::NetrcLookup lookup = syncing::lookUpNetrc("dav.example", "ann", path);
        QVERIFY(!lookup.password);
        QVERIFY(lookup.refusal.find("chmod 600") != std::string::npos);
        ::chmod(path.c_str(), 0600);
        lookup = syncing::lookUpNetrc("dav.example", "ann", path);
        QCOMPARE(lookup.password.value_or(""), std::string("s3cret"));
        QVERIFY(lookup.refusal.empty());
    }
};

QTEST_GUILESS_MAIN(TestNetrc)
#include "tst_netrc.moc"
