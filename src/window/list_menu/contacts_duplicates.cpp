// Find Duplicates...: the contacts that are one person, shown in a dialog, and the ticked
// groups merged, each into its first contact.
#include "window/form/form1x.h"

#include "sync/state/merge_notes.h"
#include "transfer/book_reading.h"
#include "window/controls/status_bar.h"
#include "window/controls/tab_strip.h"
#include "window/list_menu/duplicates_dialog.h"

#include <QSignalBlocker>
#include <QTimer>

namespace {

constexpr int resultShownMs = 30 * 1000;

} // namespace

void Form1x::MnuFindDuplicates_Click()
{
    const std::vector<transfer::DuplicateGroup> groups =
        transfer::duplicatesIn(transfer::readRecords(fileSystem_), numbers::localNumbers());
    if (groups.empty()) {
        dialogs_->showMessage(tr("No duplicates."));
        return;
    }
    DuplicatesDialog dialog(groups, this);
    if (dialogs_->findDuplicates(dialog) != QDialog::Accepted)
        return;
    const std::vector<bool> ticked = dialog.ticked();
    std::vector<transfer::DuplicateGroup> chosen;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (ticked[i])
            chosen.push_back(groups[i]);
    }
    const transfer::BookMerge merge = mergeDuplicateGroups(chosen);
    std::size_t contacts = 0;
    for (const transfer::DuplicateGroup& group : merge.merged)
        contacts += group.members.size();
    if (!merge.merged.empty()) {
        // Said with the Undo link: a merge is taken back as any change of the window.
        rememberChange(transfer::changeOfMerge(
            tr("%1 contacts merged into %2.").arg(contacts).arg(merge.merged.size()).toStdString(),
            merge));
        return;
    }
    StatusBar1->show();
    StatusBar1->showMessage(tr("Nothing was merged: the contacts changed meanwhile."),
                            resultShownMs);
    QTimer::singleShot(resultShownMs, StatusBar1, [this] {
        if (StatusBar1->currentMessage().isEmpty())
            StatusBar1->hide();
    });
}

transfer::BookMerge
Form1x::mergeDuplicateGroups(const std::vector<transfer::DuplicateGroup>& chosen)
{
    // The groups as they were shown: a group another window changed since the dialog opened
    // is no longer the one the user ticked, and stays as it is.
    const auto wasChosen = [&](const transfer::DuplicateGroup& group) {
        for (const transfer::DuplicateGroup& shown : chosen) {
            if (shown.members == group.members)
                return true;
        }
        return false;
    };
    transfer::BookMerge merge;
    try {
        // With sync set up, the next sync makes the merged cards one as well; it is told
        // before the file is written, or it could delete them without carrying what they hold.
        merge = transfer::mergeDuplicates(
            fileSystem_, numbers::localNumbers(), wasChosen, [this](auto groups) {
                syncing::noteMergedRecords(fileSystem_, syncing::mergedRecordsOf(groups));
            });
    } catch (...) {
        setUpAgainAfterFailure();
        throw;
    }
    // Every contact, the merged ones in their first contact's place.
    {
        const QSignalBlocker quiet(TabStrip1);
        TabStrip1->setCurrentIndex(0);
    }
    showStoredContacts();
    return merge;
}
