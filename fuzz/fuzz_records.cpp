// Feeds arbitrary bytes to the program as its data file: every whole record must decode and
// encode back to the same bytes; listing every nickname (the "*" tab) must show exactly the
// stored nicknames; a click on one of them must show that contact; a search for its nickname
// must list every contact of that nickname; a letter tab must list only nicknames under it;
// and the file must stay as it was.
#include "store/contact_record.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"
#include "window/form/dialogs.h"
#include "window/form/first_character.h"
#include "window/form/form1x.h"
#include "window/form/store_text.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class SilentDialogs final : public Dialogs {
public:
    void showMessage(const QString& text) override { messages.append(text); }
    QString inputBox(const QString&, const QString&, const QString&) override { return answer; }
    QStringList messages;
    QString answer;
};

struct Harness {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Form1x> window;
    SilentDialogs* dialogs = nullptr;
};

// Never destroyed: the fuzzer ends the process with exit(), and the window must not outlive
// its application in the static destructors.
Harness& harness()
{
    static auto* h = new Harness;
    return *h;
}

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

void checkDecoding(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t at = 0; at + store::RecordSize <= size; at += store::RecordSize) {
        const std::span<const std::uint8_t, store::RecordSize> bytes(data + at, store::RecordSize);
        const store::ContactRecord record = store::decodeRecord(bytes);
        const store::RecordBytes again = store::encodeRecord(record);
        require(std::memcmp(again.data(), data + at, store::RecordSize) == 0, "record round trip");
        const QString nick = fromStore(record.Nick.text());
        require(nick.size() == 15, "a nickname shows 15 characters");
        require(toStoreExact(nick) == std::string(record.Nick.text()), "nickname text round trip");
    }
}

void selectTab(TabStrip* tabs, int index)
{
    if (tabs->currentIndex() == index)
        emit tabs->tabClicked();
    else
        tabs->setCurrentIndex(index);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Harness& h = harness();
    h.app = std::make_unique<QApplication>(*argc, *argv);
    h.dir = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(h.dir->path());
    auto dialogs = std::make_unique<SilentDialogs>();
    h.dialogs = dialogs.get();
    h.window = std::make_unique<Form1x>(store::posixFileSystem(), std::move(dialogs));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkDecoding(data, size);

    Harness& h = harness();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(QStringLiteral("datphone"));
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "write the data file");
        file.write(bytes);
    }
    h.dialogs->messages.clear();
    TabStrip* tabs = h.window->TabStrip1;
    selectTab(tabs, 0);
    const auto count = qsizetype(size / store::RecordSize);
    require(h.window->ListNick->count() == count, "every record listed");
    for (qsizetype i = 0; i < count; ++i) {
        const auto* nick =
            reinterpret_cast<const char*>(data) + i * qsizetype(store::RecordSize) + 2;
        require(h.window->ListNick->itemText(int(i)) == fromStore(std::string_view(nick, 15)),
                "each entry is the stored nickname");
    }

    if (count > 0) {
        // A click on the entry that the first byte picks: the last contact of that nickname
        // is shown and current.
        const int row = int(data[0] % count);
        ListBox* list = h.window->ListNick;
        list->clearSelection();
        list->setCurrentIndex(list->model()->index(row, 0));
        const auto nickAt = [&](qsizetype i) {
            return store::trimBlanks(std::string_view(
                reinterpret_cast<const char*>(data) + i * qsizetype(store::RecordSize) + 2, 15));
        };
        qsizetype last = row;
        for (qsizetype i = 0; i < count; ++i) {
            if (nickAt(i) == nickAt(row))
                last = i;
        }
        require(h.window->windowState().CurrentRecord == last + 1,
                "the clicked contact is current");
        require(h.window->TxtNick->text() == fromStore(nickAt(row)),
                "the clicked nickname is shown");

        // A search for that nickname lists every contact that has it (after the box's
        // capital first letter).
        h.dialogs->answer = fromStore(nickAt(row));
        h.window->MnuNick->trigger();
        const auto wanted = toStoreExact(withCapitalFirst(h.dialogs->answer));
        int found = 0;
        for (qsizetype i = 0; i < count; ++i)
            found += wanted && nickAt(i) == *wanted;
        require(h.window->ListNick->count() == found, "the search lists every match");
        require(h.dialogs->messages.size() == (found == 0 ? 1 : 0),
                "Not Found only without a match");
        h.dialogs->messages.clear();
    }

    selectTab(tabs, size > 0 ? 1 + data[0] % 26 : 1);
    const char letter = char('A' + (size > 0 ? data[0] % 26 : 0));
    for (int i = 0; i < h.window->ListNick->count(); ++i) {
        const QString nick = trimBlanks(h.window->ListNick->itemText(i));
        require(!nick.isEmpty() && (nick[0] == QLatin1Char(letter) ||
                                    nick[0] == QLatin1Char(char(letter - 'A' + 'a'))),
                "a letter tab lists only nicknames under it");
    }
    require(h.dialogs->messages.isEmpty(), "no failure shown");
    QFile file(QStringLiteral("datphone"));
    require(file.open(QIODevice::ReadOnly) && file.readAll() == bytes, "the file is unchanged");
    return 0;
}
