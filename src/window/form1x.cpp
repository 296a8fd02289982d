#include "window/form1x.h"

#include "store/file_system.h"
#include "store/store_error.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace {

// While a box waits for the user, other windows on the same folder may go on: every box comes
// at a point of an action where nothing read before it is relied on after it.
class FolderFreeWhileOpen final : public Dialogs {
public:
    FolderFreeWhileOpen(Dialogs& boxes, std::function<void()> letGo, std::function<void()> retake)
        : boxes_(boxes), letGo_(std::move(letGo)), retake_(std::move(retake))
    {
    }

    // The answer of a box, asked with the folder let go.
    template <typename Box> auto whileFree(Box&& box) -> decltype(box())
    {
        letGo_();
        auto answer = box();
        retake_();
        return answer;
    }

    void showMessage(const QString& text) override
    {
        letGo_();
        boxes_.showMessage(text);
        retake_();
    }

    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultAnswer) override
    {
        return whileFree([&] { return boxes_.inputBox(prompt, title, defaultAnswer); });
    }

    QStringList openFileNames(const QString& title, const QString& filter) override
    {
        return whileFree([&] { return boxes_.openFileNames(title, filter); });
    }

    QString saveFileName(const QString& title, const QString& proposed,
                         const QString& filter) override
    {
        return whileFree([&] { return boxes_.saveFileName(title, proposed, filter); });
    }

private:
    Dialogs& boxes_;
    std::function<void()> letGo_;
    std::function<void()> retake_;
};

} // namespace

Form1x::Form1x(store::FileSystem& fileSystem, std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QWidget(parent), fileSystem_(fileSystem),
      userDialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>(this)),
      dataFile_(fileSystem, "datphone"), scratchFile_(fileSystem, "dephone")
{
    dialogs_ = std::make_unique<FolderFreeWhileOpen>(
        *userDialogs_, [this] { folderLock_.reset(); },
        [this] {
            if (inAction_)
                folderLock_ = fileSystem_.lockFolder();
        });
    createControls();
    connectWindowEvents();
    connectEditingEvents();
    connectDeletionEvents();
    connectSearchEvents();
    connectDialingEvents();
    connectTransferEvents();
    if (!runAction([this] { Form_Load(); })) {
        // The data file could not be read: offer an empty entry rather than the boxes'
        // creation texts, so the window is usable once the cause is mended.
        BeginNewEntry();
    }
}

Form1x::Form1x(QWidget* parent) : Form1x(store::posixFileSystem(), nullptr, parent) {}

Form1x::~Form1x()
{
    closeAllFiles();
}

bool Form1x::runAction(const std::function<void()>& handler)
{
    if (inAction_) {
        handler(); // nested in a running action, whose guard catches what fails here
        return true;
    }
    inAction_ = true;
    QString failure;
    try {
        folderLock_ = fileSystem_.lockFolder();
        handler();
    } catch (const store::StoreError& error) {
        // The folder itself goes by its full name: "." would tell the user nothing.
        const bool folder = error.fileName() == ".";
        failure = (folder ? tr("Could not %1 the folder \"%2\".\n\n%3.")
                          : tr("Could not %1 the file \"%2\".\n\n%3."))
                      .arg(QString::fromStdString(error.operation()),
                           folder ? QDir::currentPath() : QString::fromStdString(error.fileName()),
                           QString::fromStdString(error.reason()));
    } catch (const std::exception& error) {
        failure = tr("The action could not be completed.\n\n%1.")
                      .arg(QString::fromLocal8Bit(error.what()));
    }
    inAction_ = false;
    folderLock_.reset();
    if (failure.isEmpty())
        return true;
    showFailure(failure);
    return false;
}

void Form1x::showFailure(const QString& text)
{
    try {
        closeAllFiles();
    } catch (const std::exception&) {
        // The message below tells the user; a second failure adds nothing to it.
    }
    dialogs_->showMessage(text);
}

void Form1x::connectWindowEvents()
{
    connect(BtnExit, &QPushButton::clicked, this,
            [this] { runAction([this] { BtnExit_Click(); }); });
    connect(ListNick, &ListBox::userSelected, this,
            [this] { runAction([this] { ListNick_Click(); }); });
    connect(TabStrip1, &TabStrip::tabClicked, this,
            [this] { runAction([this] { TabStrip1_Click(); }); });
}

bool Form1x::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label1 && event->type() == QEvent::MouseMove)
        runAction([this] { Label1_MouseMove(); });
    if (transferEvent(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void Form1x::closeEvent(QCloseEvent* event)
{
    // Closing the window through the window system ends the program the way EXIT does.
    closeAllFiles();
    event->accept();
}
