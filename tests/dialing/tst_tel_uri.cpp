// The tel: URI a composed number is handed over as, and the command that opens it with the
// program for tel: links when the desktop cannot be asked.
#include "dialing/desktop_entry.h"
#include "dialing/tel_uri.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestTelUri : public QObject {
    Q_OBJECT

private slots:
    void keepsWhatIsDialled_data();
    void keepsWhatIsDialled();
    void opensTheLinkAsTheEntrySays_data();
    void opensTheLinkAsTheEntrySays();
};

void TestTelUri::keepsWhatIsDialled_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("uri"); // empty: no call
    QTest::addColumn<QStringList>("undialable");

    const QStringList none;
    QTest::newRow("prefix with its blanks, code, phone") << "0  47123"
                                                         << "tel:047123" << none;
    QTest::newRow("phone as a list click shows it") << "123                 "
                                                    << "tel:123" << none;
    QTest::newRow("international") << "+44 20 7946 0018"
                                   << "tel:+442079460018" << none;
    QTest::newRow("separators") << "(0471) 12-34.56"
                                << "tel:0471123456" << none;
    QTest::newRow("tab and no-break space are blanks")
        << QStringLiteral("0\t47\u00A0123") << "tel:047123" << none;
    // "#" belongs to the number; it must not end the URI's path as a fragment.
    QTest::newRow("star and hash") << "*31#0471"
                                   << "tel:*31%230471" << none;
    // Leaving any of these out would call another number.
    QTest::newRow("letters") << "1-800-FLOWERS"
                             << "" << QStringList{"F", "L", "O", "W", "E", "R", "S"};
    QTest::newRow("an extension word") << "0471 ext 5"
                                       << "" << QStringList{"e", "x", "t"};
    QTest::newRow("each once, in order") << "0,1,2x,"
                                         << "" << QStringList{",", "x"};
    QTest::newRow("other characters") << "0/471,5;p?\t"
                                      << "" << QStringList{"/", ",", ";", "p", "?"};
    QTest::newRow("digits of other scripts")
        << QString::fromUtf8("\u0661\u0662\u0663 4") << ""
        << QStringList{QString::fromUtf8("\u0661"), QString::fromUtf8("\u0662"),
                       QString::fromUtf8("\u0663")};
    QTest::newRow("a character beyond the basic plane")
        << QString::fromUtf8("12\U0001F4DE3") << "" << QStringList{QString::fromUtf8("\U0001F4DE")};
    QTest::newRow("a control character")
        << QStringLiteral("12\u00013") << "" << QStringList{QStringLiteral("\u0001")};
    QTest::newRow("empty") << ""
                           << "" << none;
    QTest::newRow("blanks only") << "   "
                                 << "" << none;
    QTest::newRow("separators only") << " -.() "
                                     << "" << none;
}

void TestTelUri::keepsWhatIsDialled()
{
    QFETCH(QString, number);
    QFETCH(QString, uri);
    QFETCH(QStringList, undialable);

    QCOMPARE(undialableCharacters(number), undialable);
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

void TestTelUri::opensTheLinkAsTheEntrySays_data()
{
    QTest::addColumn<QString>("exec"); // as the file holds it
    QTest::addColumn<QStringList>("command");

    const auto row = [](const char* name, const char* exec, QStringList command) {
        QTest::newRow(name) << QString::fromUtf8(exec) << command;
    };
    row("a link", "gnome-calls %u", {"gnome-calls", "tel:047123"});
    row("links", "linphone --call %U", {"linphone", "--call", "tel:047123"});
    row("no field code", "phone-dial", {"phone-dial", "tel:047123"});
    row("quoted blanks and escapes", R"("/opt/My Phone/run" "say \\"hi\\"" %u)",
        {"/opt/My Phone/run", R"(say "hi")", "tel:047123"});
    row("a string escape", R"("/opt/My\sPhone" %u)", {"/opt/My Phone", "tel:047123"});
    row("icon, name, file and a percent", "phone %i %c %k 100%% %u",
        {"phone", "--icon", "phone-icon", "Phone", "/apps/phone.desktop", "100%", "tel:047123"});
    row("codes no longer in use", "phone %d %m %u", {"phone", "tel:047123"});
    row("a quote left open", R"(phone "%u)", {});
    row("no Exec", "", {});
}

// Read from a file as the desktop writes it, so that the string escapes are undone first.
void TestTelUri::opensTheLinkAsTheEntrySays()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, command);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("phone.desktop")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nName=Phone\nIcon=phone-icon\nExec=" +
               exec.toUtf8() + "\n[Desktop Action x]\nExec=other %u\n");
    file.close();
    DesktopEntry entry = readDesktopEntry(file.fileName());
    QCOMPARE(entry.name, QStringLiteral("Phone"));
    entry.path = QStringLiteral("/apps/phone.desktop");
    QCOMPARE(commandOpening(entry, QStringLiteral("tel:047123")), command);
}

QTEST_GUILESS_MAIN(TestTelUri)
#include "tst_tel_uri.moc"
