#include "window/form1x.h"

#include "store/file_system.h"
#include "store/store_error.h"
#include "window/controls/list_box.h"
#include "window/controls/tab_strip.h"
#include "window/controls/text_box.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

Form1x::Form1x(store::FileSystem& fileSystem, std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QWidget(parent), fileSystem_(fileSystem),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>(this)),
      dataFile_(fileSystem, "datphone"), scratchFile_(fileSystem, "dephone")
{
    createControls();
    connectWindowEvents();
    connectEditingEvents();
    connectDeletionEvents();
    connectSearchEvents();
    connectDialingEvents();
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
        handler();
    } catch (const store::StoreError& error) {
        failure = tr("Could not %1 the file \"%2\".\n\n%3.")
                      .arg(QString::fromStdString(error.operation()),
                           QString::fromStdString(error.fileName()),
                           QString::fromStdString(error.reason()));
    } catch (const std::exception& error) {
        failure = tr("The action could not be completed.\n\n%1.")
                      .arg(QString::fromLocal8Bit(error.what()));
    }
    inAction_ = false;
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
    return QWidget::eventFilter(watched, event);
}

void Form1x::closeEvent(QCloseEvent* event)
{
    // Closing the window through the window system ends the program the way EXIT does.
    closeAllFiles();
    event->accept();
}
