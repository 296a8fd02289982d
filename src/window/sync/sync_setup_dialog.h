#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace store {
class FileSystem;
class StoreError;
} // namespace store
namespace syncing {
class AccountCheckJob;
struct AccountCheck;
} // namespace syncing

// A failure as the sync's pieces word it ("the server refused ..."), as a sentence of a message.
QString asSentence(const std::string& message);

// "Set Up Sync...": the server's address, the user name, the password and, when the server has
// several, the address book. OK checks them with the server before the dialog closes; what is
// wrong is said next to the box it is about, and the dialog stays open with what was typed.
class SyncSetUpDialog : public QDialog {
    Q_OBJECT

public:
    // How the dialog ended, as its result().
    enum Outcome { Cancelled = QDialog::Rejected, SetUp = QDialog::Accepted, Stopped };

    // `server` and `user` are those of the set-up there is, if any.
    SyncSetUpDialog(store::FileSystem& fs, const QUrl& server, const QString& user,
                    QWidget* parent = nullptr);
    ~SyncSetUpDialog() override;

    // After SetUp: the password typed, for a window that found no keyring to keep it.
    QString password() const;
    bool passwordKept() const { return passwordKept_; }
    // Whether a check with the server is under way.
    bool checking() const;

    // The boxes, for the keyboard and for tests.
    QLineEdit* server;
    QLineEdit* user;
    QLineEdit* passwordBox;
    QComboBox* book;
    QPushButton* okButton;
    QPushButton* stopButton;

private:
    void accept() override;
    void checked(const syncing::AccountCheck& outcome);
    void remember(const QUrl& bookUrl);
    void keptOrNot(bool kept);
    void stopSyncing();
    void setBusy(bool busy);
    void clearNotes();
    // The line above the buttons: what the dialog is doing, or why it could not.
    void tell(const QString& text);
    void tellStoreFailure(const QString& what, const store::StoreError& error);
    // A note under the box it is about, in red, read out with the box.
    static QLabel* noteFor(QWidget* box);
    void say(QLabel* note, const QString& text);

    store::FileSystem& fs_;
    QLabel* serverNote_;
    QLabel* userNote_;
    QLabel* passwordNote_;
    QLabel* bookLabel_;
    QLabel* bookNote_;
    QLabel* progress_;
    std::unique_ptr<syncing::AccountCheckJob> checker_;
    bool passwordKept_ = false;
    bool setUpDone_ = false;
};
