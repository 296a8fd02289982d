// DELETE: the chosen contact leaves the data file at once.
#include "window/form/form1x.h"

#include "store/compaction.h"
#include "window/controls/hover_button.h"

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
        try {
            store::compactWithout(dataFile_, scratchFile_, state_.CurrentRecord);
        } catch (const store::ChangeNotYetOnDisk& error) {
            // The contact is gone; only its folder could not be told to keep it so.
            InitializeWindow();
            dialogs_->showMessage(tr("The contact is deleted, but the change may not yet be "
                                     "safe on the disk: the folder \"%1\" could not be "
                                     "synced.\n\n%2.")
                                      .arg(QString::fromStdString(error.shownName()),
                                           QString::fromStdString(error.reason())));
            return;
        }
        InitializeWindow();
    } catch (...) {
        // Whichever step failed, the list offers only contacts that are stored.
        setUpAgainAfterFailure();
        throw;
    }
}
