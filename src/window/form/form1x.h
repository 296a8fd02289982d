#pragma once

// The form and its state: the one window, its controls by name, the window state and every
// handler grouped by concern. This room builds the window, starts it, fills the list and shows
// a record; it may use store/, exchange/, transfer/, the sync's plain parts and the other
// rooms of window/, never editing/, search/ or dialing/, which sit above and define their own
// handlers of Form1x.

#include "store/data_file.h"
#include "transfer/book_change.h"
#include "transfer/book_merge.h"
#include "window/controls/list_entries.h"
#include "window/form/dialogs.h"
#include "window/form/window_state.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class DialButton;
class HoverButton;
class ListBox;
class StatusBar;
class TabStrip;
class TextBox;

namespace syncing {
class SyncModule;
struct SyncReport;
} // namespace syncing

namespace store {
class FileSystem;
class FolderLock;
class StoreError;
} // namespace store

// The one window of the program. It owns every control, the window state and, for the length
// of one action, the open data file. Its members are defined in the folder of their concern:
// window/ (start-up, list, record view, tabs), editing/, search/, dialing/ and, for DELETE,
// editing/record_deletion.cpp.
class Form1x : public QWidget {
    Q_OBJECT

public:
    explicit Form1x(store::FileSystem& fileSystem, std::unique_ptr<Dialogs> dialogs = nullptr,
                    QWidget* parent = nullptr);
    explicit Form1x(QWidget* parent = nullptr);
    ~Form1x() override;

    const WindowState& windowState() const { return state_; }
    // Lists the contacts the words find and shows the last of them (search/found_in_window.cpp).
    void showFound(const QStringList& terms);
    Dialogs& dialogs() { return *dialogs_; }

    // --- Controls, by their names ---------------------------------------------------------
    QWidget* Pict;
    TabStrip* TabStrip1;
    ListBox* ListNick;
    QFrame* Shape1;
    QLabel* Label15;
    QLabel* Label16;
    QLabel* Label17;
    QLabel* Label18;
    QLabel* Label19;
    TextBox* TxtNick;
    TextBox* TxtAdName;
    TextBox* TxtAdFname;
    TextBox* TxtAdAdd;
    TextBox* TxtAdPhon;
    TextBox* Txtprefx;
    TextBox* TxtCode;
    QCheckBox* Chkprefx;
    QCheckBox* Chkcode;
    QPushButton* BtnSearch;
    DialButton* DialButton1;
    HoverButton* BtnAdd;
    HoverButton* BtnSave;
    HoverButton* BtnUpdate;
    HoverButton* BtnDelete;
    QPushButton* BtnExit;
    QLabel* Label1;
    StatusBar* StatusBar1;
    QMenu* MnuMnu;
    QAction* MnuNick;
    QAction* MnuFName;
    QAction* MnuFamily;
    QAction* MnyCity;
    // The nickname list's pop-up menu: contacts in and out of vCard and CSV files.
    QMenu* MnuContacts;
    QAction* MnuImport;
    QAction* MnuExport;
    QAction* MnuFindDuplicates;
    // And with a CardDAV server.
    QAction* MnuSyncNow;
    QAction* MnuSyncSetUp;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // --- Building the window (window/form/form1x_controls.cpp) ----------------------------
    void createControls();
    void createRecordArea();
    void createBottomRow();
    void createSearchMenu();
    void describeForScreenReaders();

    // --- Wiring events to handlers, each concern its own ----------------------------------
    void connectWindowEvents();   // window/
    void connectEditingEvents();  // editing/
    void connectDeletionEvents(); // editing/ (DELETE)
    void connectSearchEvents();   // search/
    void connectDialingEvents();  // dialing/
    void connectUndoEvents();     // window/form/change_list.cpp

    // Runs one event handler to its end. A failure ends the action with a message box that
    // names the file and the reason; the data files are closed and the program goes on.
    // Returns whether the handler ran to its end.
    bool runAction(const std::function<void()>& handler);
    // The same for a handler that needs no file: it never takes or waits for the folder.
    bool runWithoutFolder(const std::function<void()>& handler);
    bool guard(const std::function<void()>& handler, bool takesFolder);
    // Takes the folder for this action, showing the busy pointer while another window has it.
    void takeFolder();
    static QString failureText(const store::StoreError& error);
    void showFailure(const QString& text);

    // --- The data file (window/form/data_file_access.cpp) ---------------------------------
    void OpenDataFile();
    void closeDataFile();
    void closeAllFiles();
    store::ContactRecord readRecord(std::int32_t n);
    // Record n in place, for a scan that looks at a field or two of every record; valid until
    // the next read or the close.
    store::RecordView viewRecord(std::int32_t n);
    void writeRecord(std::int32_t n, const store::ContactRecord& record);

    // --- Start-up, list and record view (window/form/) ------------------------------------
    void Form_Load();
    void InitializeWindow();
    void ReloadNicknameList();
    void ShowCurrentRecord();
    // The same, leaving the focus where it is: for a contact shown again after a sync.
    void showCurrentRecordInPlace();
    void BeginNewEntry();
    void DisableRecordButtons();
    void ShowRecordTotal();
    // Which records the list shows; kept, to list the same contacts again after a sync, so it
    // holds what it needs by value.
    using ListFilter = std::function<bool(const store::RecordView&)>;
    // Fills the list with the stored nicknames of the records that match, in record order,
    // making the last of them current (every record, with no filter); the data file must be
    // open. Returns how many matched.
    // When the file fails half-way, the list is left empty, as clearing it first leaves it.
    int listMatchingRecords(const ListFilter& matches);
    // The nicknames of the records that match, as the list shows them, and the last of those
    // records; their numbers, in order, go to `numbers` when it is given.
    struct Listing {
        ListEntries nicknames;
        std::int32_t last = 0;
    };
    Listing matchingNicknames(const ListFilter& matches,
                              std::vector<std::int32_t>* numbers = nullptr);
    // After a step of an action failed: the window set up again from what the data file now
    // holds, as far as it can be read, so that the list offers only contacts that are stored.
    // The failure itself is reported by the action's guard.
    void setUpAgainAfterFailure();
    void BtnExit_Click();
    void Label1_MouseMove();
    void ListNick_Click();
    // Shows the stored contact of a nickname picked in the list, the details with their
    // blank fill; whether one is stored.
    bool showPickedContact(const QString& selection);
    void TabStrip1_Click();

    // --- Editing (editing/) ---------------------------------------------------------------
    void BtnAdd_Press();
    void BtnSave_Press();
    void CheckDuplicateNick();
    // Whether the data file can hold every character of the boxes; if not, the user is told
    // which box and which characters, and the caret waits there.
    bool everyTextStorable();
    void StoreCurrentRecord();
    void BtnUpdate_Press();
    // Shows record CurrentRecord again when the boxes hold other texts than `stored`, its own.
    void showCurrentRecordIfNotShown(const store::ContactRecord& stored);
    // Whether SAVE writes back the stored contact that EDIT (or a pick since) opened, rather
    // than a new one behind the last.
    bool savesOverEditedContact() const;
    // The window after a contact was stored: the list afresh, SAVE done with.
    void showStoredContacts();
    void TxtAdName_KeyPress(std::int16_t& KeyAscii);
    void TxtAdFname_KeyPress(std::int16_t& KeyAscii);
    void TxtAdAdd_KeyPress(std::int16_t& KeyAscii);
    void TxtAdPhon_KeyPress(std::int16_t& KeyAscii);
    void TxtAdPhon_Change();
    void TxtAdName_GotFocus();
    void BtnDelete_Press();
    void DeleteCurrentRecord();

    // --- Search (search/) -----------------------------------------------------------------
    void TxtNick_KeyPress(std::int16_t& KeyAscii);
    void TxtNick_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
    void TxtNick_Click();
    void BtnSearch_Click();
    void MnuNick_Click();
    void MnuFName_Click();
    void MnuFamily_Click();
    void MnyCity_Click();
    // The one procedure of the four menu searches; each passes its row of the table.
    struct FieldSearch;
    void searchByField(const FieldSearch& search);

    // --- Dialing (dialing/) ---------------------------------------------------------------
    void DialButton1_Press();
    void DialButton1_LostFocus();

    // --- Contacts in and out of vCard and CSV files (window/list_menu/contacts_menu.cpp: the
    // pop-up menu and dropped files; window/list_menu/contacts_transfer.cpp: import and export)
    void createContactsMenu();
    void connectTransferEvents();
    // Takes the events that open the list's pop-up menu (a right click, the context-menu key
    // or Shift+F10 on the list) and the vCard and CSV files dropped on an entry box. Returns
    // whether it took the event.
    bool transferEvent(QObject* watched, QEvent* event);
    void popUpContactsMenu(const QPoint& where);
    void MnuImport_Click();
    void MnuExport_Click();
    void importContacts(const QStringList& files);
    void exportContacts(const QString& file);
    // (window/list_menu/contacts_duplicates.cpp) Find Duplicates... and its dialog; the merge
    // of the groups the user ticked, which returns what it changed.
    void MnuFindDuplicates_Click();
    transfer::BookMerge mergeDuplicateGroups(const std::vector<transfer::DuplicateGroup>& chosen);

    // --- Other windows on the same folder (window/form/other_windows.cpp) -----------------
    // A record as this window read it, by number. Another Zarvoth window may delete, add or
    // rewrite records between two actions of this one, so DELETE, EDIT and SAVE in place act
    // on record n only while it still holds what was read there.
    struct ReadContact {
        std::int32_t recordNo = 0;
        store::ContactRecord record;
    };
    // Whether `contact` is record n and the open data file still holds it there, byte for byte.
    bool stillStored(const std::optional<ReadContact>& contact, std::int32_t n);
    // Closes the data file, tells the user that another window changed the contacts, and sets
    // the window up again from what the data file holds now.
    void refuseChangedContact(const QString& text);
    // The texts of the refusals: nothing done, or an edit not saved.
    static const QString ChangedElsewhere;
    static const QString EditNotSaved;
    static const QString NoLongerStored;

    // --- Undo (window/form/change_list.cpp): this window's changes to the book, taken back
    // one at a time, the latest first. Each action hands over what it changed; the window only
    // keeps the list and tells the user.
    // Keeps `change` for Undo and says in the status bar what was done, with a link to Undo;
    // a change that changed no record is not kept.
    void rememberChange(transfer::BookChange change);
    // Ctrl+Z, where the box with the focus has no typing of its own to undo, and the status
    // bar's link: the latest change taken back, as far as it is still in the book.
    void undoLastChange();
    void showAfterUndo(const transfer::UndoPlan& plan);
    std::vector<transfer::BookChange> changes_;

    // --- Sync with a CardDAV server (window/sync/contacts_sync.cpp): the menu's two entries, the
    // syncs in the background, and the window kept in step with what a sync wrote ---------
    enum class SyncStart { Asked, AtOpen, Every15Minutes };
    void connectSyncEvents();
    // The sync module, loaded the first time a sync needs it; nothing, after a message, when it
    // cannot be.
    syncing::SyncModule* syncModule(SyncStart how);
    void MnuSyncNow_Click();
    void MnuSyncSetUp_Click();
    void startSync(SyncStart how);
    void runSync(SyncStart how, const QString& user, const QString& password);
    void syncEnded(SyncStart how, const syncing::SyncReport& report);
    // After a sync wrote the contacts (window/sync/sync_catch_up.cpp): the list and the shown
    // contact brought up to date where the user left them, or, while the user is typing a
    // contact, the edited contact found again and the rest once they are done.
    void catchUpWithSync();
    void afterAction();
    bool userIsTyping() const;
    std::optional<ReadContact> foundAgain(const std::optional<ReadContact>& contact);
    void showWhatIsStored();
    // The list as it was filtered, with the row selected and the contact shown kept where
    // they are still stored.
    void keepPlaceInList(Listing listing, const std::vector<std::int32_t>& numbers,
                         const std::optional<ReadContact>& shown,
                         const std::optional<ReadContact>& found);
    // At EXIT after a change: one brief sync, never more than a few seconds.
    void syncBeforeExit();
    std::size_t bookFingerprint();
    // The empty book's hint in the list, and the list's description, which says the same.
    void describeList();
    struct SyncDesk;
    struct SyncDeskDeleter {
        void operator()(SyncDesk* desk) const;
    };
    std::unique_ptr<SyncDesk, SyncDeskDeleter> sync_;

    ListFilter listFilter_;                     // what the list shows: every record when empty
    std::optional<ReadContact> currentContact_; // record CurrentRecord, as last shown or picked
    std::optional<ReadContact> editedContact_; // the record an edit writes back to, as EDIT read it

    store::FileSystem& fileSystem_;
    std::unique_ptr<Dialogs> userDialogs_;
    std::unique_ptr<Dialogs> dialogs_; // userDialogs_, with the folder let go while one is open
    std::unique_ptr<store::FolderLock> folderLock_; // held for the length of one action
    store::DataFile dataFile_;                      // file 1, "datphone"
    store::DataFile scratchFile_; // file 2, "dephone", only while a contact is deleted
    WindowState state_;
    bool inAction_ = false;
};
