// DELETE: the chosen contact leaves the data file at once.
#include "window/form/form1x.h"

#include "store/compaction.h"
#include "window/controls/hover_button.h"
#include "window/form/store_text.h"

#include <algorithm>

namespace {

// What a deletion of record `removed` does, to be taken back: the record and the records it
// leaves on either side of its place.
transfer::BookChange deletionOf(store::DataFile& data, std::int32_t removed)
{
    const auto bytesOf = [&](std::int32_t n) {
        store::RecordBytes bytes;
        const auto stored = data.view(n).bytes();
        std::copy(stored.begin(), stored.end(), bytes.begin());
        return bytes;
    };
    transfer::RecordChange record{bytesOf(removed), std::nullopt, removed, {}, {}};
    if (removed > 1)
        record.previous = bytesOf(removed - 1);
    if (removed < data.recordCount())
        record.next = bytesOf(removed + 1);
    const QString nick = fromStore(store::trimBlanks(data.view(removed).nick()));
    return {Form1x::tr("Deleted \"%1\".").arg(nick).toStdString(), {std::move(record)}};
}

} // namespace

void Form1x::BtnDelete_Press()
{
    DeleteCurrentRecord();
}

void Form1x::DeleteCurrentRecord()
{
    // DELETE acts once per choice in the list: after a deletion, failed or not, the record
    // number it was given may belong to another contact.
    BtnDelete->setEnabled(false);
    try {
        OpenDataFile();
        // The contact picked in the list, only while it is still where it was picked: another
        // window may have deleted or moved it since.
        if (!stillStored(currentContact_, state_.CurrentRecord)) {
            refuseChangedContact(ChangedElsewhere);
            return;
        }
        transfer::BookChange deletion = deletionOf(dataFile_, state_.CurrentRecord);
        try {
            store::compactWithout(dataFile_, scratchFile_, state_.CurrentRecord);
        } catch (const store::ChangeNotYetOnDisk& error) {
            // The contact is gone; only its folder could not be told to keep it so.
            rememberChange(std::move(deletion));
            InitializeWindow();
            dialogs_->showMessage(tr("The contact is deleted, but the change may not yet be "
                                     "safe on the disk: the folder \"%1\" could not be "
                                     "synced.\n\n%2.")
                                      .arg(QString::fromStdString(error.shownName()),
                                           QString::fromStdString(error.reason())));
            return;
        }
        rememberChange(std::move(deletion));
        InitializeWindow();
    } catch (...) {
        // Whichever step failed, the list offers only contacts that are stored.
        setUpAgainAfterFailure();
        throw;
    }
}
