#include "sync/setup/sync_setup.h"

#include "sync/carddav/url_policy.h"
#include "sync/setup/set_up_state.h"

namespace syncing {

using carddav::AddressBookInfo;
using carddav::DavError;
using carddav::DavResult;

BookChoice chooseBook(const std::vector<AddressBookInfo>& books,
                      const std::optional<QString>& wanted)
{
    if (wanted) {
        for (const AddressBookInfo& book : books)
            if (book.displayName == *wanted || book.pathName == *wanted)
                return {BookChoice::Chosen, book};
        return {BookChoice::NotNamed, std::nullopt};
    }
    if (books.size() > 1)
        return {BookChoice::Several, std::nullopt};
    if (books.size() == 1)
        return {BookChoice::Chosen, books.front()};
    return {BookChoice::MakeOne, std::nullopt};
}

AccountChecker::AccountChecker(carddav::Credentials credentials, QObject* parent)
    : QObject(parent), client_(std::make_unique<carddav::CardDavClient>(std::move(credentials))),
      lookup_(std::make_unique<carddav::ServiceLookup>())
{
}

AccountChecker::~AccountChecker() = default;

void AccountChecker::check(const QUrl& start, const std::optional<QString>& wanted,
                           std::function<void(AccountCheck)> done)
{
    const QString domain = mailDomainOf(start);
    if (domain.isEmpty())
        return discover(start, wanted, std::move(done));
    lookup_->lookUp(domain, [this, domain, wanted, done](const QUrl& service) {
        // The name service may place the service on another host; the password goes there
        // only as it would go after a redirect from the domain itself.
        if (auto refusal = carddav::refusalToFollow(carddav::domainRoot(domain), service)) {
            AccountCheck outcome;
            outcome.error = *refusal;
            return done(outcome);
        }
        discover(service, wanted, done);
    });
}

void AccountChecker::discover(const QUrl& start, const std::optional<QString>& wanted,
                              std::function<void(AccountCheck)> done)
{
    client_->discover(start, [this, wanted, done](DavResult<carddav::Discovery> found) {
        AccountCheck outcome;
        if (auto* error = std::get_if<DavError>(&found)) {
            outcome.error = *error;
            return done(outcome);
        }
        const carddav::Discovery& discovery = std::get<carddav::Discovery>(found);
        outcome.books = discovery.books;
        outcome.choice = chooseBook(discovery.books, wanted);
        if (outcome.choice.kind != BookChoice::MakeOne)
            return done(outcome);
        client_->createBook(
            discovery.home, QStringLiteral("Contacts"),
            [outcome, done](DavResult<AddressBookInfo> made) mutable {
                if (auto* error = std::get_if<DavError>(&made))
                    outcome.error = *error;
                else
                    outcome.choice = {BookChoice::Chosen, std::get<AddressBookInfo>(made)};
                done(outcome);
            });
    });
}

} // namespace syncing
