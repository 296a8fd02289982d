#pragma once

#include "sync/oauth/oauth_client.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace store {
class FileSystem;
class StoreError;
} // namespace store
namespace syncing {
class AccountCheckJob;
class SignInJob;
struct AccountCheck;
} // namespace syncing

// A failure as the sync's pieces word it ("the server refused ..."), as a sentence of a message.
QString asSentence(const std::string& message);

// "Set Up Sync...": the server's address, the user name, the password and, when the server has
// several, the address book. OK checks them with the server before the dialog closes; what is
// wrong is said next to the box it is about, and the dialog stays open with what was typed.
// A Google account takes no password: Sign In signs in through the browser instead
// (sync_setup_sign_in.cpp).
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
    // Whether the account signs in through the browser, and whether the browser is awaited.
    bool signsIn() const;
    bool waitingForBrowser() const;
    // After SetUp of an account that signed in: its sign-in, as the keyring now keeps it, and
    // the server it is for.
    const std::optional<syncing::KeptSignIn>& keptSignIn() const { return keptSignIn_; }
    QString signInHost() const { return signInHost_; }

    // The boxes, for the keyboard and for tests.
    QLineEdit* server;
    QLineEdit* user;
    QLineEdit* passwordBox;
    QComboBox* book;
    QPushButton* okButton;
    QPushButton* stopButton;
    // For an account that signs in through the browser.
    QPushButton* googleButton;
    QPushButton* signInButton;
    QLineEdit* clientId;
    QLineEdit* clientSecret;
    // A sign-in server other than Google's, for a server typed before "Sign in with Google...".
    QLineEdit* issuer;

private:
    void accept() override;
    void reject() override;
    void checked(const syncing::AccountCheck& outcome);
    void remember(const QUrl& bookUrl);
    void keptOrNot(bool kept);
    // Set up, with what no keyring took: the boxes are done with, and OK closes the dialog.
    void setUpButNotKept(const QString& text);
    void stopSyncing();

    // The sign-in through the browser (sync_setup_sign_in.cpp).
    void buildSignInRows(const std::function<QLabel*(const QString&, QWidget*, QLabel*)>& row);
    void showSignInRows();
    void useGoogle();
    void signIn();
    void signedIn(syncing::SignInOutcome outcome);
    void cancelSignIn();
    void forgetSignedIn();
    std::optional<syncing::OAuthClient> chosenClient();
    void checkSignedIn(const QUrl& start);
    void keepSignedIn(const QUrl& bookUrl);
    void rememberSignedIn(const QUrl& bookUrl, bool kept);
    void setBusy(bool busy);
    void clearNotes();
    // The line above the buttons: what the dialog is doing, or why it could not.
    void tell(const QString& text);
    void tellStoreFailure(const QString& what, const store::StoreError& error);
    // A note under the box it is about, in red, read out with the box.
    static QLabel* noteFor(QWidget* box);
    // Shows or hides the row of the caption `label`, its box and its note.
    void showRow(QLabel* label, bool shown);
    void say(QLabel* note, const QString& text);

    store::FileSystem& fs_;
    QLabel* serverNote_;
    QLabel* userNote_;
    QLabel* passwordNote_;
    QLabel* bookLabel_;
    QLabel* bookNote_;
    QLabel* progress_;
    QLabel* passwordLabel_;
    QFormLayout* form_;
    QLabel* signInLabel_;
    QLabel* issuerLabel_;
    QList<QLabel*> clientLabels_;
    // Which of the sign-in's rows are shown, as showSignInRows() last left them.
    int signInRowsShown_ = -1;
    QLabel* signInNote_;
    QLabel* clientIdNote_;
    QLabel* secretNote_;
    QLabel* issuerNote_;
    QLabel* signedInAs_;
    bool forceSignIn_ = false;
    std::unique_ptr<syncing::SignInJob> signInJob_;
    std::optional<syncing::OAuthClient> client_;
    std::optional<syncing::OAuthTokens> tokens_;
    std::optional<syncing::KeptSignIn> keptSignIn_;
    QString signInHost_;
    std::unique_ptr<syncing::AccountCheckJob> checker_;
    bool passwordKept_ = false;
    bool setUpDone_ = false;
};
