// Undo: this window's changes to the book, taken back one at a time, the latest first. What a
// change did and how it is taken back is the change's own (transfer/book_change.h); the window
// keeps the list, tells what was done and shows the book afterwards.
#include "window/form/form1x.h"

#include "store/compaction.h"
#include "transfer/book_undo.h"
#include "window/controls/hover_button.h"
#include "window/controls/list_box.h"
#include "window/controls/status_bar.h"
#include "window/controls/tab_strip.h"
#include "window/form/store_text.h"

#include <QShortcut>
#include <QSignalBlocker>

namespace {

constexpr int NoticeShownMs = 30 * 1000;
// The oldest changes are let go beyond this many: each holds the records it touched.
constexpr std::size_t KeptChanges = 100;

QString quoted(const std::string& storedNick)
{
    return QStringLiteral("\"%1\"").arg(fromStore(storedNick));
}

// Why the records of a change that were not taken back stay as they are, one line each.
QString keptLines(const std::vector<transfer::KeptRecord>& kept)
{
    QStringList lines;
    for (const transfer::KeptRecord& record : kept) {
        lines << (record.why == transfer::KeptBecause::ChangedSince
                      ? QObject::tr("%1 was changed or deleted meanwhile and stays as it is.")
                      : QObject::tr("%1 is stored again, or another contact has its nickname, "
                                    "so it was not brought back."))
                     .arg(quoted(record.nick));
    }
    return lines.join(u'\n');
}

} // namespace

void Form1x::connectUndoEvents()
{
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    undo->setContext(Qt::WindowShortcut);
    connect(undo, &QShortcut::activated, this, [this] { runAction([this] { undoLastChange(); }); });
    connect(StatusBar1, &StatusBar::noticeLinkActivated, this,
            [this] { runAction([this] { undoLastChange(); }); });
}

void Form1x::rememberChange(transfer::BookChange change)
{
    if (change.records.empty())
        return;
    const QString what = QString::fromStdString(change.what);
    changes_.push_back(std::move(change));
    if (changes_.size() > KeptChanges)
        changes_.erase(changes_.begin());
    StatusBar1->showNotice(what, tr("Undo (Ctrl+Z)"), NoticeShownMs);
}

void Form1x::undoLastChange()
{
    if (changes_.empty()) {
        StatusBar1->showNotice(tr("Nothing to undo."), {}, NoticeShownMs);
        return;
    }
    const QString what = QString::fromStdString(changes_.back().what);
    transfer::UndoPlan plan;
    try {
        plan = transfer::takeBack(fileSystem_, changes_.back());
    } catch (const store::ChangeNotYetOnDisk&) {
        // Taken back, only not yet safe on the disk: it is not to be taken back twice.
        changes_.pop_back();
        setUpAgainAfterFailure();
        throw;
    }
    changes_.pop_back();
    if (plan.takenBack == 0) {
        StatusBar1->clearNotice();
        dialogs_->showMessage(tr("Could not undo: %1 The contacts it changed were changed again "
                                 "meanwhile, in another Zarvoth window or by a sync, so nothing "
                                 "was written.\n\n%2")
                                  .arg(what, keptLines(plan.kept)));
        return;
    }
    showAfterUndo(plan);
    StatusBar1->showNotice(tr("Undone: %1").arg(what), {}, NoticeShownMs);
    if (!plan.kept.empty())
        dialogs_->showMessage(tr("Undone: %1 Except where contacts were changed again "
                                 "meanwhile:\n\n%2")
                                  .arg(what, keptLines(plan.kept)));
}

void Form1x::showAfterUndo(const transfer::UndoPlan& plan)
{
    // DELETE acts once per choice in the list: the records may have moved under the choice.
    BtnDelete->setEnabled(false);
    if (userIsTyping()) {
        // A contact being typed is left alone, the edited one followed wherever it now is, as
        // after a sync; the list offers at once only contacts that are stored.
        catchUpWithSync();
        OpenDataFile();
        Listing listing = matchingNicknames(listFilter_);
        closeDataFile();
        if (!(listing.nicknames == ListNick->entries()))
            ListNick->setItems(std::move(listing.nicknames));
        return;
    }
    {
        const QSignalBlocker quiet(TabStrip1);
        TabStrip1->setCurrentIndex(0);
    }
    ReloadNicknameList();
    // The contact brought back, where it stands again.
    if (plan.shownPlace >= 1 && plan.shownPlace <= state_.RecordCount) {
        state_.CurrentRecord = plan.shownPlace;
        ShowCurrentRecord();
        ListNick->setListIndex(plan.shownPlace - 1);
    }
}
