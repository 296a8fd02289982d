// The nickname list's pop-up menu: Import Contacts..., Export Contacts... and Find
// Duplicates..., vCard and CSV files dropped on the window, and below them the entries of sync
// (window/sync/contacts_sync.cpp).
// Opening the menu changes neither the list's selection nor the shown contact: a right click
// on the list picks no entry.
#include "window/form/form1x.h"

#include "window/controls/list_box.h"
#include "window/controls/text_box.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

bool isCardFileName(const QString& path)
{
    return path.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".vcard"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

// The files of a drag when every one of them is a vCard or CSV file on this machine, else none.
QStringList droppedCardFiles(const QMimeData* data)
{
    QStringList files;
    if (data == nullptr || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() || !isCardFileName(url.toLocalFile()))
            return {};
        files.append(url.toLocalFile());
    }
    return files;
}

bool opensMenuFromKeyboard(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier) ||
           (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
}

} // namespace

void Form1x::createContactsMenu()
{
    MnuContacts = new QMenu(QStringLiteral("Contacts"), this);
    MnuContacts->setObjectName(QStringLiteral("MnuContacts"));
    MnuContacts->setAccessibleName(QStringLiteral("Contacts in and out"));
    MnuImport = MnuContacts->addAction(QStringLiteral("Import Contacts..."));
    MnuImport->setObjectName(QStringLiteral("MnuImport"));
    MnuExport = MnuContacts->addAction(QStringLiteral("Export Contacts..."));
    MnuExport->setObjectName(QStringLiteral("MnuExport"));
    MnuFindDuplicates = MnuContacts->addAction(QStringLiteral("Find Duplicates..."));
    MnuFindDuplicates->setObjectName(QStringLiteral("MnuFindDuplicates"));
    MnuContacts->addSeparator();
    MnuSyncNow = MnuContacts->addAction(QStringLiteral("Sync Now"));
    MnuSyncNow->setObjectName(QStringLiteral("MnuSyncNow"));
    MnuSyncSetUp = MnuContacts->addAction(QStringLiteral("Set Up Sync..."));
    MnuSyncSetUp->setObjectName(QStringLiteral("MnuSyncSetUp"));
}

void Form1x::connectTransferEvents()
{
    createContactsMenu();
    connect(MnuImport, &QAction::triggered, this,
            [this] { runAction([this] { MnuImport_Click(); }); });
    connect(MnuExport, &QAction::triggered, this,
            [this] { runAction([this] { MnuExport_Click(); }); });
    connect(MnuFindDuplicates, &QAction::triggered, this,
            [this] { runAction([this] { MnuFindDuplicates_Click(); }); });
    ListNick->installEventFilter(this);
    ListNick->viewport()->installEventFilter(this);
    // The entry boxes take dropped text themselves; a dropped vCard or CSV file is imported
    // instead.
    for (TextBox* box : findChildren<TextBox*>())
        box->installEventFilter(this);
    setAcceptDrops(true);
}

bool Form1x::transferEvent(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == ListNick->viewport()) {
        if (type == QEvent::ContextMenu)
            return true; // the right button's press has opened the menu already
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
            type != QEvent::MouseButtonDblClick)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            return false;
        if (type == QEvent::MouseButtonPress)
            popUpContactsMenu(mouse->globalPosition().toPoint());
        return true;
    }
    if (watched == ListNick) {
        // The platform's own context-menu event for the key comes beside the key itself,
        // which opens the menu.
        if (type == QEvent::ContextMenu)
            return true;
        if (type != QEvent::KeyPress || !opensMenuFromKeyboard(static_cast<QKeyEvent*>(event)))
            return false;
        // Beside the selected entry, or at the list's corner when none is selected.
        const QRect entry = ListNick->visualRect(ListNick->currentIndex());
        const QPoint corner =
            entry.isValid() && ListNick->viewport()->rect().contains(entry.center())
                ? entry.bottomLeft()
                : QPoint(0, 0);
        popUpContactsMenu(ListNick->viewport()->mapToGlobal(corner));
        return true;
    }
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        if (!qobject_cast<TextBox*>(watched))
            return false;
        auto* drop = static_cast<QDropEvent*>(event);
        if (droppedCardFiles(drop->mimeData()).isEmpty())
            return false;
        if (type == QEvent::Drop)
            dropEvent(drop);
        else
            drop->acceptProposedAction();
        return true;
    }
    return false;
}

void Form1x::popUpContactsMenu(const QPoint& where)
{
    MnuContacts->popup(where);
}

void Form1x::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedCardFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1x::dropEvent(QDropEvent* event)
{
    const QStringList files = droppedCardFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    runAction([&] { importContacts(files); });
}
