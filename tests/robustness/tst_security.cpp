// Contacts are personal data, and the data file may come from anywhere: the files the program
// makes are for their owner only, the scratch file is never written through a name that
// someone else put there, and text from the file is shown as text and does nothing else.
#include "support/window_fixture.h"

#include "store/store_error.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Data = QStringLiteral("datphone");
const QString Scratch = QStringLiteral("dephone");

// The real file system, with a hook that runs after each operation on the scratch file.
class WatchedFileSystem final : public store::FileSystem {
public:
    std::function<void(const char* operation)> afterScratch;

    std::unique_ptr<store::File> open(const std::string& name, store::OpenMode mode) override
    {
        auto file = real_.open(name, mode);
        after(name, "open");
        return file;
    }
    bool exists(const std::string& name) override { return real_.exists(name); }
    bool isRegularFile(const std::string& name) override { return real_.isRegularFile(name); }
    void rename(const std::string& from, const std::string& to) override { real_.rename(from, to); }
    void remove(const std::string& name) override
    {
        real_.remove(name);
        after(name, "remove");
    }
    void syncDirectory(const std::string& folder) override { real_.syncDirectory(folder); }
    std::string linkTarget(const std::string& name) override { return real_.linkTarget(name); }

private:
    void after(const std::string& name, const char* operation)
    {
        if (name == "dephone" && afterScratch)
            afterScratch(operation);
    }

    store::FileSystem& real_ = store::posixFileSystem();
};

int modeOf(const QString& name)
{
    struct stat st {};
    if (::lstat(name.toLocal8Bit().constData(), &st) != 0)
        return -1;
    return static_cast<int>(st.st_mode & 07777);
}

// Sets the file-creation mask for the life of the object.
class Umask {
public:
    explicit Umask(mode_t mask) : previous_(::umask(mask)) {}
    ~Umask() { ::umask(previous_); }

private:
    mode_t previous_;
};

// Runs `inspect` on the modal box that `open` shows, then closes the box.
void inspectModalBox(const std::function<void()>& open,
                     const std::function<void(QDialog*)>& inspect)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = true;
        inspect(box);
        box->reject();
    });
    open();
    QVERIFY(seen);
}

const QStringList Markup = {QStringLiteral("<b>x</b>"), QStringLiteral("<img src=y>"),
                            QStringLiteral("&Ann"), QStringLiteral("<a href=x>1</a>")};

} // namespace

class TestSecurity : public QObject {
    Q_OBJECT

private slots:
    void filesTheProgramMakesAreItsOwners_data();
    void filesTheProgramMakesAreItsOwners();
    void aScratchNameTakenMeanwhileIsNeverWrittenThrough_data();
    void aScratchNameTakenMeanwhileIsNeverWrittenThrough();
    void textFromTheFileShowsAsPlainText();
    void messageBoxesShowTheirTextAsPlainText();
    void theInputBoxShowsItsTextsAsPlainText();
};

void TestSecurity::filesTheProgramMakesAreItsOwners_data()
{
    QTest::addColumn<QString>("made");
    QTest::newRow("data file made at start-up") << "start-up";
    QTest::newRow("scratch file while DELETE copies") << "scratch";
    QTest::newRow("data file written anew by DELETE") << "delete";
    QTest::newRow("data file that SAVE makes again") << "save";
}

void TestSecurity::filesTheProgramMakesAreItsOwners()
{
    QFETCH(QString, made);
    // Nothing of the process's mask helps: the program asks for owner-only itself.
    const Umask open(0);
    WatchedFileSystem fs;
    WindowFixture fx;
    int scratchMode = -1;
    fs.afterScratch = [&](const char* operation) {
        if (QLatin1String(operation) == QLatin1String("open"))
            scratchMode = modeOf(Scratch);
    };
    if (made != QLatin1String("start-up"))
        fx.folder.writeRecords(recordsNamed({"Ann", "Bob"}));
    Form1x& w = fx.start(fs);

    if (made == QLatin1String("start-up")) {
        QCOMPARE(modeOf(Data), 0600);
    } else if (made == QLatin1String("save")) {
        QVERIFY(QFile::remove(fx.folder.filePath(Data))); // by another program
        fx.click(w.BtnAdd);
        fx.type(w.TxtNick, QStringLiteral("Cid"));
        fx.type(w.TxtAdPhon, QStringLiteral("3"));
        fx.click(w.BtnSave);
        QCOMPARE(fx.folder.records().size(), std::size_t(1));
        QCOMPARE(modeOf(Data), 0600);
    } else {
        QVERIFY(QFile::setPermissions(fx.folder.filePath(Data),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::WriteGroup | QFile::ReadOther));
        fx.clickListEntry(0);
        fx.click(w.BtnDelete);
        QCOMPARE(fx.folder.records().size(), std::size_t(1));
        if (made == QLatin1String("scratch"))
            QCOMPARE(scratchMode, 0600);
        else
            QCOMPARE(modeOf(Data), 0600);
    }
    QVERIFY(fx.dialogs->messages.isEmpty());
}

void TestSecurity::aScratchNameTakenMeanwhileIsNeverWrittenThrough_data()
{
    QTest::addColumn<QString>("planted");
    QTest::newRow("link to another file") << "link";
    QTest::newRow("link to nowhere") << "dangling link";
    QTest::newRow("link to the data file") << "link to data";
    QTest::newRow("hard link to another file") << "hard link";
    QTest::newRow("plain file") << "file";
}

// Another program puts a name in the scratch file's place between the removal of a leftover
// and the creation of the new scratch file. The deletion stops with a message instead of
// writing through it, and neither the data file nor the other file changes.
void TestSecurity::aScratchNameTakenMeanwhileIsNeverWrittenThrough()
{
    QFETCH(QString, planted);
    WatchedFileSystem fs;
    WindowFixture fx;
    const QByteArray before = encoded(recordsNamed({"Ann", "Bob", "Cid"}));
    const QByteArray other = encoded(recordsNamed({"Xav"}));
    fx.folder.writeBytes(before);
    fx.folder.writeBytes(other, QStringLiteral("elsewhere"));
    const QByteArray scratch = fx.folder.filePath(Scratch).toLocal8Bit();
    const QByteArray elsewhere = fx.folder.filePath(QStringLiteral("elsewhere")).toLocal8Bit();
    bool plantedOnce = false;
    fs.afterScratch = [&](const char* operation) {
        if (plantedOnce || QLatin1String(operation) != QLatin1String("remove"))
            return;
        plantedOnce = true;
        int result = 0;
        if (planted == QLatin1String("link"))
            result = ::symlink(elsewhere.constData(), scratch.constData());
        else if (planted == QLatin1String("dangling link"))
            result = ::symlink("nowhere", scratch.constData());
        else if (planted == QLatin1String("link to data"))
            result = ::symlink("datphone", scratch.constData());
        else if (planted == QLatin1String("hard link"))
            result = ::link(elsewhere.constData(), scratch.constData());
        else
            result = ::close(::open(scratch.constData(), O_CREAT | O_WRONLY, 0666));
        if (result != 0)
            qFatal("cannot plant the scratch name");
    };
    Form1x& w = fx.start(fs);
    fx.clickListEntry(0);
    fx.click(w.BtnDelete);

    QVERIFY(plantedOnce);
    QCOMPARE(fx.dialogs->messages.size(), 1);
    QVERIFY2(fx.dialogs->messages.front().contains(QStringLiteral("\"dephone\"")),
             qPrintable(fx.dialogs->messages.front()));
    QVERIFY(fx.folder.bytes() == before);
    QVERIFY(!QFileInfo(fx.folder.filePath(Data)).isSymLink());
    QVERIFY(fx.folder.bytes(QStringLiteral("elsewhere")) == other);
    QVERIFY(!QFileInfo::exists(fx.folder.filePath(QStringLiteral("nowhere"))));
    QCOMPARE(fx.listEntries().size(), 3);
}

void TestSecurity::textFromTheFileShowsAsPlainText()
{
    WindowFixture fx;
    std::vector<std::string> nicks;
    for (const QString& text : Markup)
        nicks.push_back(text.toStdString());
    auto records = recordsNamed(nicks);
    records[0].FullName.assign("<b>bold</b>");
    records[0].City.assign("<img src=\"x\">");
    fx.folder.writeRecords(records);
    Form1x& w = fx.start();

    for (int row = 0; row < static_cast<int>(Markup.size()); ++row) {
        QCOMPARE(w.ListNick->itemText(row), Markup[row].leftJustified(15));
        fx.clickListEntry(row);
        QCOMPARE(w.TxtNick->text(), Markup[row]);
    }
    fx.clickListEntry(0);
    QCOMPARE(w.TxtAdName->text(), QStringLiteral("<b>bold</b>").leftJustified(25));

    // No label or tip of the window reads the file's text as markup.
    for (QLabel* label : w.findChildren<QLabel*>()) {
        if (Qt::mightBeRichText(label->text()))
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }
    for (QWidget* widget : w.findChildren<QWidget*>()) {
        for (const QString& text : Markup)
            QVERIFY2(!widget->toolTip().contains(text), qPrintable(widget->objectName()));
    }
}

void TestSecurity::messageBoxesShowTheirTextAsPlainText()
{
    QWidget parent;
    QtDialogs dialogs(&parent);
    const QString text = Markup.join(u'\n');
    inspectModalBox([&] { dialogs.showMessage(text); },
                    [&](QDialog* box) {
                        QVERIFY(qobject_cast<QMessageBox*>(box));
                        QCOMPARE(box->windowTitle(), ApplicationTitle);
                        bool shown = false;
                        for (QLabel* label : box->findChildren<QLabel*>()) {
                            if (label->text() != text)
                                continue;
                            shown = true;
                            QCOMPARE(label->textFormat(), Qt::PlainText);
                        }
                        QVERIFY(shown);
                    });
}

void TestSecurity::theInputBoxShowsItsTextsAsPlainText()
{
    QWidget parent;
    QtDialogs dialogs(&parent);
    const QString prompt = QStringLiteral("<b>Enter</b> <img src=\"x\">");
    const QString answer = QStringLiteral("<i>Velor</i>");
    inspectModalBox([&] { QCOMPARE(dialogs.inputBox(prompt, Markup[0], answer), QString()); },
                    [&](QDialog* box) {
                        QVERIFY(qobject_cast<QInputDialog*>(box));
                        QCOMPARE(box->windowTitle(), Markup[0]);
                        bool shown = false;
                        for (QLabel* label : box->findChildren<QLabel*>()) {
                            if (label->text() != prompt)
                                continue;
                            shown = true;
                            QCOMPARE(label->textFormat(), Qt::PlainText);
                        }
                        QVERIFY(shown);
                        auto* edit = box->findChild<QLineEdit*>();
                        QVERIFY(edit);
                        QCOMPARE(edit->text(), answer);
                    });
}

QTEST_MAIN(TestSecurity)
#include "tst_security.moc"
