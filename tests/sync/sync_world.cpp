#include "sync_world.h"

#include "exchange/dialled_number.h"
#include "sync/reconcile/contact_fields.h"

namespace {

QString described(const store::ContactRecord& record)
{
    return QString::fromLatin1(record.Nick.trimmed()) + '|' +
           QString::fromLatin1(record.FullName.trimmed()) + '|' +
           QString::fromLatin1(record.FamilyName.trimmed()) + '|' +
           QString::fromLatin1(record.City.trimmed()) + '|' +
           QString::fromStdString(exchange::dialledNumber(record));
}

} // namespace

store::ContactRecord contact(const char* nick, const char* fullName, const char* familyName,
                             const char* city, const char* phone)
{
    store::ContactRecord record;
    record.Nick.assign(nick);
    record.FullName.assign(fullName);
    record.FamilyName.assign(familyName);
    record.City.assign(city);
    record.Phone.assign(phone);
    return record;
}

void SyncWorld::put(const std::string& href, const std::string& text)
{
    server[href] = {"\"e" + std::to_string(++etags) + "\"", text};
}

syncing::Plan SyncWorld::run(int steps)
{
    syncing::ServerView view;
    for (const auto& [href, card] : server)
        view.etags[href] = card.etag;
    for (const std::string& href : syncing::cardsToFetch(state, records, view.etags))
        view.cards[href] = server.at(href).text;
    const syncing::Plan plan = syncing::reconcile(
        state, records, view, [this] { return "uid-" + std::to_string(++uids); },
        [](const std::string& uid) { return "/book/" + uid + ".vcf"; });
    if (steps-- <= 0)
        return plan;
    records = plan.records;
    if (steps-- <= 0)
        return plan;
    std::vector<syncing::UploadTaken> uploaded;
    std::vector<const syncing::Removal*> removed;
    for (const syncing::Upload& upload : plan.uploads) {
        if (steps-- <= 0)
            return plan;
        const auto found = server.find(upload.href);
        const bool taken = upload.ifMatch.empty()
                               ? found == server.end()
                               : found != server.end() && found->second.etag == upload.ifMatch;
        if (!taken)
            continue;
        put(upload.href, upload.text);
        uploaded.push_back({&upload, server[upload.href].etag});
    }
    for (const syncing::Removal& removal : plan.removals) {
        if (steps-- <= 0)
            return plan;
        const auto found = server.find(removal.href);
        if (found != server.end() && found->second.etag != removal.etag)
            continue;
        server.erase(removal.href);
        removed.push_back(&removal);
    }
    state = plan.state;
    syncing::confirmTaken(state, uploaded, removed);
    return plan;
}

QStringList SyncWorld::localContacts() const
{
    QStringList out;
    for (const store::ContactRecord& record : records)
        out << described(record);
    out.sort();
    return out;
}

QStringList SyncWorld::serverContacts() const
{
    QStringList out;
    for (const auto& [href, card] : server) {
        if (const auto fields = syncing::readServerCard(card.text).fields) {
            std::vector<exchange::FieldChange> ignored;
            out << described(syncing::fitCard(*fields, ignored));
        }
    }
    out.sort();
    return out;
}
