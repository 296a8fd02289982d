#include "command_line/sync_commands.h"

#include "command_line/command_line.h"
#include "command_line/sign_in_commands.h"
#include "sync/oauth/google_account.h"
#include "sync/password/terminal_prompt.h"
#include "sync/setup/set_up_state.h"
#include "sync/state/state_file.h"
#include "sync/sync_module.h"
#include "sync/sync_module_loader.h"
#include "transfer/failure_text.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>

namespace command_line {
namespace {

struct Failure {
    int status;
    std::string message;
};

struct SetupRequest {
    // The address as typed, and as it is used.
    std::optional<QString> typed;
    QUrl url;
    QString user;
    std::optional<QString> book;
    bool passwordFromStandardInput = false;
    SignInOptions signInOptions;
    // Set for an account that signs in through the browser instead of a password.
    std::optional<syncing::OAuthClient> signIn;
};

// The commands wait on an event loop, which needs an application object; none is shown.
std::unique_ptr<QCoreApplication> eventLoopApplication()
{
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "zarvoth";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

// The network's part of the sync, loaded the first time a command needs it.
syncing::SyncModule& syncModule()
{
    const syncing::SyncModuleLoad& load = syncing::loadSyncModule();
    if (!load.module)
        throw Failure{UsageError, load.failure};
    return *load.module;
}

// Runs `start`, which calls its argument once when it is done, and waits on the event loop
// until it is.
template <typename Result>
Result waitFor(const std::function<void(std::function<void(Result)>)>& start)
{
    QEventLoop loop;
    std::optional<Result> outcome;
    start([&](Result result) {
        outcome = std::move(result);
        loop.quit();
    });
    if (!outcome)
        loop.exec();
    return std::move(*outcome);
}

SetupRequest parseSetup(const std::vector<std::string>& arguments)
{
    SetupRequest request;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if ((argument == "--user" || argument == "--book" || argument == "--client-id" ||
             argument == "--oauth-issuer") &&
            !hasValue)
            throw Failure{UsageError, argument + " needs a value"};
        if (argument == "--client-id")
            request.signInOptions.clientId = QString::fromStdString(arguments[++i]);
        else if (argument == "--oauth-issuer")
            request.signInOptions.issuer = QString::fromStdString(arguments[++i]);
        else if (argument == "--client-secret-stdin")
            request.signInOptions.secretFromStandardInput = true;
        else if (argument == "--user")
            request.user = QString::fromStdString(arguments[++i]);
        else if (argument == "--book")
            request.book = QString::fromStdString(arguments[++i]);
        else if (argument == "--password-stdin")
            request.passwordFromStandardInput = true;
        else if (argument == "--password" || argument.starts_with("--password="))
            throw Failure{UsageError, "a password is never taken on the command line; use "
                                      "--password-stdin, the keyring or ~/.netrc"};
        else if (argument.starts_with("--"))
            throw Failure{UsageError, "unknown option \"" + argument + "\" for --sync-setup"};
        else if (!request.typed)
            request.typed = QString::fromStdString(argument);
        else
            throw Failure{UsageError, "--sync-setup takes one URL; found \"" + argument + "\""};
    }
    // An e-mail address is most often the user name of its own service too.
    if (request.typed && request.user.isEmpty() && syncing::isMailAddress(*request.typed))
        request.user = request.typed->trimmed();
    if (!request.typed || request.typed->isEmpty() || request.user.isEmpty())
        throw Failure{UsageError, "usage: zarvoth --sync-setup URL --user NAME [--book NAME] "
                                  "[--password-stdin]"};
    // A Gmail address names no CardDAV service of its own: its contacts are at Google's.
    const std::optional<QUrl> address =
        syncing::isGoogleAccount(*request.typed)
            ? std::optional<QUrl>(syncing::googleAccountStart(*request.typed))
            : syncing::serverAddress(*request.typed);
    if (!address)
        throw Failure{UsageError, syncing::noServerAddressText(*request.typed)};
    request.url = *address;
    // Said before the password is asked for, which would otherwise travel in the clear.
    if (const auto refusal = syncModule().refusalToSend(request.url))
        throw Failure{UsageError, refusal->message};
    try {
        request.signIn =
            command_line::signInClient(request.url, request.signInOptions, syncModule());
    } catch (const std::invalid_argument& wrong) {
        throw Failure{UsageError, wrong.what()};
    }
    if (request.signIn && request.passwordFromStandardInput)
        throw Failure{UsageError, "this server takes no password: it signs in through the "
                                  "browser"};
    return request;
}

QString passwordFor(const SetupRequest& request, std::ostream& err)
{
    if (request.passwordFromStandardInput) {
        const std::optional<std::string> line = syncing::readLineFromStandardInput();
        if (!line || line->empty())
            throw Failure{FileFailure, "no password on standard input"};
        return QString::fromStdString(*line);
    }
    const syncing::PasswordSearch search = waitFor<syncing::PasswordSearch>(
        [&](auto done) { syncModule().findPassword(request.user, request.url, done, {}); });
    for (const std::string& remark : search.remarks)
        err << "zarvoth: " << remark << '\n';
    if (!search.password)
        throw Failure{FileFailure, "no password: no keyring holds one, ~/.netrc has none for "
                                   "this server, and there is no terminal to ask at"};
    return *search.password;
}

std::string bookList(const std::vector<carddav::AddressBookInfo>& books)
{
    std::string list;
    for (const carddav::AddressBookInfo& book : books)
        list += "  " + book.pathName.toStdString() + "  \"" + book.displayName.toStdString() +
                "\"  " + book.url.toString().toStdString() + "\n";
    return list;
}

carddav::AddressBookInfo chooseBook(const SetupRequest& request, const syncing::AccountCheck& found,
                                    std::ostream& out)
{
    switch (found.choice.kind) {
    case syncing::BookChoice::Chosen:
        return *found.choice.book;
    case syncing::BookChoice::NotNamed:
        out << "The server has these address books:\n" << bookList(found.books);
        throw Failure{UsageError, "no address book \"" + request.book->toStdString() +
                                      "\" on the server; --book names one of those listed"};
    default:
        out << "The server has these address books:\n" << bookList(found.books);
        throw Failure{UsageError, "the server has several address books; --book NAME names one"};
    }
}

// A refused password from a service that takes only app passwords says where to make one.
std::string setUpFailureText(const carddav::DavError& error, const QUrl& start)
{
    const std::optional<std::string> hint = syncing::appPasswordHint(start);
    if (error.kind != carddav::DavError::Unauthorized || !hint)
        return error.message;
    return error.message + "; " + *hint;
}

void remember(store::FileSystem& fs, const SetupRequest& request, const QUrl& book)
{
    const auto lock = fs.lockFolder([] {});
    syncing::rememberSetUp(fs, request.user, book, request.signIn);
}

syncing::OAuthTokens signedIn(const syncing::OAuthClient& client, std::ostream& out)
{
    try {
        return signInThroughBrowser(syncModule(), client, out);
    } catch (const std::runtime_error& failed) {
        throw Failure{FileFailure, failed.what()};
    }
}

// A set-up made before, of an account that signed in through the browser: its token is taken
// out of the keyring and given back, as the new set-up replaces it.
void forgetEarlierSignIn(store::FileSystem& fs)
{
    std::optional<syncing::SyncState> last;
    try {
        const auto lock = fs.lockFolder([] {});
        last = syncing::readStateFile(fs);
    } catch (const syncing::BadStateFile&) {
        return;
    }
    if (!last || !syncing::rememberedSignIn(*last))
        return;
    const QString user = QString::fromStdString(last->user);
    const QString host = QUrl(QString::fromStdString(last->bookUrl)).host();
    waitFor<bool>(
        [&](auto done) { syncModule().forgetPassword(user, host, [done] { done(true); }); });
}

// The account checked with the server, and its book remembered in place of any earlier
// set-up: what a set-up with a password and one that signed in share. `failureText` says why a
// check failed.
carddav::AddressBookInfo
rememberCheckedBook(const SetupRequest& request, syncing::AccountCheckJob& checker,
                    store::FileSystem& fs, std::ostream& out,
                    const std::function<std::string(const carddav::DavError&)>& failureText)
{
    const syncing::AccountCheck found = waitFor<syncing::AccountCheck>(
        [&](auto done) { checker.check(request.url, request.book, done); });
    if (found.error)
        throw Failure{FileFailure, failureText(*found.error)};
    const carddav::AddressBookInfo book = chooseBook(request, found, out);
    forgetEarlierSignIn(fs);
    remember(fs, request, book.url);
    return book;
}

// What the set-up says at its end: the book, and `kept` or `notKept` of the password or the
// sign-in.
int toldSetUp(std::ostream& out, const carddav::AddressBookInfo& book, bool kept,
              const char* keptLine, const char* notKeptLine)
{
    out << "Sync is set up with the address book \"" << book.displayName.toStdString() << "\" at "
        << book.url.toString().toStdString() << ".\n";
    out << (kept ? keptLine : notKeptLine) << '\n';
    out << "zarvoth --sync syncs the contacts both ways.\n";
    return Success;
}

int setUpSignedIn(const SetupRequest& request, store::FileSystem& fs, std::ostream& out)
{
    const syncing::OAuthClient& client = *request.signIn;
    const syncing::OAuthTokens tokens = signedIn(client, out);
    const auto checker = syncModule().newSignedInAccountCheck(request.user, client, tokens);
    const carddav::AddressBookInfo book = rememberCheckedBook(
        request, *checker, fs, out, [](const carddav::DavError& error) { return error.message; });
    const bool kept = !tokens.refresh.isEmpty() && waitFor<bool>([&](auto done) {
        syncModule().keepSignIn(request.user, book.url.host(), {client, tokens.refresh}, done);
    });
    return toldSetUp(out, book, kept, "The sign-in is kept in the desktop's keyring.",
                     "The sign-in cannot be kept: no keyring took it, so each sync signs in "
                     "again through the browser.");
}

int setUp(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
          std::ostream& err)
{
    const SetupRequest request = parseSetup(arguments);
    const auto application = eventLoopApplication();
    if (request.signIn)
        return setUpSignedIn(request, fs, out);
    const QString password = passwordFor(request, err);
    const auto checker = syncModule().newAccountCheck(request.user, password);
    const carddav::AddressBookInfo book =
        rememberCheckedBook(request, *checker, fs, out, [&](const carddav::DavError& error) {
            return setUpFailureText(error, request.url);
        });
    const bool kept = waitFor<bool>([&](auto done) {
        syncModule().keepPassword(request.user, book.url.host(), password, done);
    });
    return toldSetUp(out, book, kept, "The password is kept in the desktop's keyring.",
                     "No keyring took the password: each sync asks for it, unless ~/.netrc "
                     "holds it.");
}

// Of a sync that failed, what it did before: the contacts that did come in and go out, and
// what needs the user's eye; nothing when it did nothing.
std::string doneBeforeFailing(const syncing::SyncReport& report)
{
    const std::string summary = syncing::summaryText(report);
    if (report.contactsIn + report.contactsOut > 0)
        return summary;
    // The line of the counts said nothing happened: only the notices are left.
    return summary.substr(summary.find('\n') + 1);
}

// The secret of a Google client of the user's own, which only the keyring kept: asked at the
// terminal, as a password no keyring holds is.
QString clientSecretAsked(const QString& clientId)
{
    const std::optional<std::string> secret = syncing::askOnTerminal(
        "Client secret of the Google client " + clientId.toStdString() + ": ");
    if (!secret || secret->empty())
        throw Failure{FileFailure, "Google's sign-in needs the client's secret, which no keyring "
                                   "keeps, and there is no terminal to ask at: run zarvoth "
                                   "--sync at a terminal, or set sync up where a keyring runs"};
    return QString::fromStdString(*secret);
}

// The sync of an account that signs in through the browser, with the sign-in the keyring keeps
// or, without one, a new one; nothing for a password.
std::unique_ptr<syncing::SyncJob> signedInSync(store::FileSystem& fs,
                                               const syncing::SyncState& state,
                                               const SetupRequest& account, std::ostream& out)
{
    std::optional<syncing::OAuthClient> client = syncing::rememberedSignIn(state);
    if (!client)
        return nullptr;
    const QString host = account.url.host();
    const auto kept = waitFor<std::optional<syncing::KeptSignIn>>(
        [&](auto done) { syncModule().findSignIn(account.user, host, done); });
    syncing::OAuthTokens tokens;
    if (kept && kept->client.id == client->id && kept->client.issuer == client->issuer) {
        client = kept->client;
        tokens.refresh = kept->refreshToken;
    } else {
        out << "No keyring holds the sign-in: signing in again through the browser.\n";
        if (syncing::needsSecretAsked(*client))
            client->secret = clientSecretAsked(client->id);
        tokens = signedIn(*client, out);
    }
    return syncModule().newSignedInSync(fs, account.user, host, *client, tokens);
}

int syncNow(store::FileSystem& fs, std::ostream& out, std::ostream& err)
{
    std::optional<syncing::SyncState> state;
    {
        const auto lock = fs.lockFolder([] {});
        state = syncing::readSyncAccount(fs);
    }
    if (!state)
        throw Failure{UsageError, "sync is not set up for these contacts; zarvoth --sync-setup "
                                  "URL --user NAME sets it up"};
    const auto application = eventLoopApplication();
    SetupRequest account;
    account.url = QUrl(QString::fromStdString(state->bookUrl));
    account.user = QString::fromStdString(state->user);
    std::unique_ptr<syncing::SyncJob> run = signedInSync(fs, *state, account, out);
    if (!run)
        run = syncModule().newSync(fs, account.user, passwordFor(account, err));
    // Said as it happens, beside the summary, so that a long wait is not taken for a hang.
    run->setWaitNotice([&err](const std::string& notice) { err << "zarvoth: " << notice << '\n'; });
    const syncing::SyncReport report =
        waitFor<syncing::SyncReport>([&](auto done) { run->start(done); });
    if (report.outcome == syncing::SyncReport::NotSetUp)
        throw Failure{UsageError, report.error};
    if (report.outcome == syncing::SyncReport::Failed) {
        out << doneBeforeFailing(report);
        throw Failure{FileFailure, report.error + "; nothing was lost, the next sync picks up"};
    }
    out << syncing::summaryText(report);
    return Success;
}

template <typename Command> int reported(Command&& command, std::ostream& err)
{
    std::string message;
    int status = FileFailure;
    try {
        return command();
    } catch (const Failure& failure) {
        status = failure.status;
        message = failure.message;
    } catch (const store::StoreError& error) {
        message = transfer::failureText(error);
    } catch (const syncing::BadStateFile& error) {
        message = syncing::damagedStateText(error);
    }
    err << "zarvoth: " << message << std::endl;
    return status;
}

} // namespace

int runSyncSetup(const std::vector<std::string>& arguments, store::FileSystem& fs,
                 std::ostream& out, std::ostream& err)
{
    return reported([&] { return setUp(arguments, fs, out, err); }, err);
}

int runSync(store::FileSystem& fs, std::ostream& out, std::ostream& err)
{
    return reported([&] { return syncNow(fs, out, err); }, err);
}

} // namespace command_line
