#include "window/form/form1x.h"

#include "store/file_system.h"
#include "store/store_error.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>

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

    int setUpSync(SyncSetUpDialog& dialog) override
    {
        return whileFree([&] { return boxes_.setUpSync(dialog); });
    }

    int findDuplicates(DuplicatesDialog& dialog) override
    {
        return whileFree([&] { return boxes_.findDuplicates(dialog); });
    }

    std::optional<QString> passwordBox(const QString& prompt) override
    {
        return whileFree([&] { return boxes_.passwordBox(prompt); });
    }

    std::optional<std::vector<exchange::ColumnRequest>>
    placeColumns(const QString& file, const exchange::UnplacedColumns& unplaced) override
    {
        return whileFree([&] { return boxes_.placeColumns(file, unplaced); });
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
                takeFolder();
        });
    createControls();
    connectWindowEvents();
    connectEditingEvents();
    connectDeletionEvents();
    connectSearchEvents();
    connectDialingEvents();
    connectTransferEvents();
    connectSyncEvents();
    connectUndoEvents();
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
    return guard(handler, true);
}

bool Form1x::runWithoutFolder(const std::function<void()>& handler)
{
    return guard(handler, false);
}

bool Form1x::guard(const std::function<void()>& handler, bool takesFolder)
{
    if (inAction_) {
        handler(); // nested in a running action, whose guard catches what fails here
        return true;
    }
    // A handler that needs no file runs outside the actions: the folder is neither taken nor
    // waited for, and a box it shows does not take it either.
    inAction_ = takesFolder;
    QString failure;
    try {
        if (takesFolder)
            takeFolder();
        handler();
    } catch (const store::FolderBusy&) {
        failure = tr("Another Zarvoth window is still busy with these contacts, so this action "
                     "could not be completed. Please try again in a moment.");
    } catch (const store::StoreError& error) {
        failure = failureText(error);
    } catch (const std::exception& error) {
        failure = tr("The action could not be completed.\n\n%1.")
                      .arg(QString::fromLocal8Bit(error.what()));
    }
    inAction_ = false;
    folderLock_.reset();
    if (!failure.isEmpty())
        showFailure(failure);
    // A sync that wrote the contacts during the action is caught up with now.
    afterAction();
    return failure.isEmpty();
}

void Form1x::takeFolder()
{
    bool waited = false;
    const auto restoreCursor = qScopeGuard([&] {
        if (waited)
            QGuiApplication::restoreOverrideCursor();
    });
    folderLock_ = fileSystem_.lockFolder([&] {
        // While another window finishes, the pointer says this one is busy, not hung.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        waited = true;
    });
}

QString Form1x::failureText(const store::StoreError& error)
{
    return (error.namesFolder() ? tr("Could not %1 the folder \"%2\".\n\n%3.")
                                : tr("Could not %1 the file \"%2\".\n\n%3."))
        .arg(QString::fromStdString(error.operation()), QString::fromStdString(error.shownName()),
             QString::fromStdString(error.reason()));
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
            [this] { runWithoutFolder([this] { BtnExit_Click(); }); });
    connect(ListNick, &ListBox::userSelected, this, [this] {
        // The list highlights the contact clicked even when it could not be read (or the
        // folder not be had): DELETE is then offered for none, not for the one shown before.
        if (!runAction([this] { ListNick_Click(); }))
            BtnDelete->setEnabled(false);
    });
    connect(TabStrip1, &TabStrip::tabClicked, this,
            [this] { runAction([this] { TabStrip1_Click(); }); });
}

bool Form1x::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label1 && event->type() == QEvent::MouseMove)
        runWithoutFolder([this] { Label1_MouseMove(); });
    if (transferEvent(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

void Form1x::closeEvent(QCloseEvent* event)
{
    // Closing the window through the window system ends the program the way EXIT does; where
    // sync is set up, a change made here goes to the server first, briefly.
    syncBeforeExit();
    closeAllFiles();
    event->accept();
}
