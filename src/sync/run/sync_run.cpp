#include "sync/run/sync_run.h"

#include "store/compaction.h"
#include "store/data_file.h"
#include "sync/reconcile/etag_settling.h"
#include "sync/reconcile/merged_cards.h"
#include "sync/reconcile/settled_plan.h"
#include "sync/run/deleted_card_keeping.h"
#include "sync/run/settled_sync.h"
#include "sync/run/sync_lock.h"
#include "sync/state/kept_cards.h"
#include "sync/state/state_file.h"
#include "transfer/book_files.h"
#include "transfer/book_reading.h"
#include "transfer/failure_text.h"

#include <QUuid>

namespace syncing {

using carddav::CardDavClient;
using carddav::Changes;
using carddav::DavError;
using carddav::DavResult;
using carddav::FetchedCard;
using carddav::PutOutcome;

namespace {

// A window that keeps changing the contacts while a sync plans is given this many fresh
// starts; the sync then ends and the next one takes what is left.
constexpr int planRounds = 5;

// Qt keeps at most six connections to one server; the client sends them at the server's pace.
constexpr std::size_t sendsAtOnce = 6;

// The ETags the last sync left, for the cards a sync-collection answer does not name.
std::map<std::string, std::string> rememberedEtags(const SyncState& state)
{
    std::map<std::string, std::string> etags;
    for (const Pair& pair : state.pairs)
        if (pair.confirmed)
            etags[pair.href] = pair.etag;
    for (const PassedOverCard& card : state.passedOver)
        etags[card.href] = card.etag;
    return etags;
}

// The server refuses the sync token or has no sync-collection: the cards are listed instead.
// Servers answer a token they no longer know with any status of their choice (403, 400, 409,
// 410, 412, 415; Xandikos: 500), so any refusal after a token is worth a listing, which tells
// in its turn when the book itself is gone; what says the account or the network is wrong
// ends the sync.
bool listingWouldHelp(const DavError& error, bool hadToken)
{
    switch (error.kind) {
    case DavError::PreconditionFailed:
    case DavError::Forbidden:
    case DavError::BadAnswer:
        return true;
    case DavError::NotFound:
        return hadToken;
    case DavError::ServerError:
        return hadToken || error.httpStatus < 500 || error.httpStatus == 501;
    default:
        return false;
    }
}

std::string newUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

} // namespace

struct SyncRun::Private {
    Private(store::FileSystem& fileSystem, carddav::Credentials credentials)
        : fs(fileSystem), client(std::move(credentials))
    {
    }

    store::FileSystem& fs;
    CardDavClient client;
    UidSource uidSource = newUid;
    std::function<void(SyncReport)> done;
    std::function<void(std::size_t, std::size_t)> progress = [](std::size_t, std::size_t) {};
    std::function<void()> recordsWritten = [] {};
    std::unique_ptr<SyncLock> syncLock;

    SyncState state;
    // The state file as read, and whether only its head is read yet (the book left settled).
    RememberedText remembered;
    QUrl book;
    std::vector<store::ContactRecord> records;
    std::map<std::string, std::string> etags;
    std::string newToken;
    std::map<std::string, std::string> cards;
    // The cards an earlier sync of this book fetched and kept before it was cut off, by href,
    // and where this sync adds the cards it fetches (none after a failure to add them).
    std::map<std::string, KeptCard> kept;
    // Contacts merged here since the last sync, by their cards.
    std::vector<MergeNote> merges;
    std::optional<std::uint64_t> keptEnd;
    // The fetches, a batch of hrefs each, handed to the client a few at a time, so that
    // after a failure no more go.
    std::vector<std::vector<std::string>> batches;
    std::size_t nextBatch = 0;
    std::size_t cardsDone = 0;
    std::size_t cardsToGet = 0;
    Plan plan;
    int rounds = 0;
    std::size_t outstanding = 0;
    // What the server took, confirmed in the state in one pass once every answer came.
    std::vector<UploadTaken> taken;
    std::vector<const Removal*> removed;
    // The uploads and removals, sent a few at a time: as many as the connections kept open
    // to one server, so that no request waits in a queue long enough to be taken for a
    // server that does not answer.
    std::vector<std::function<void()>> sends;
    std::size_t nextSend = 0;
    SyncReport report;

    void begin();
    bool readWhole();
    bool endSettled(const DavResult<Changes>& result);
    void list();
    void listAll();
    void fetch();
    bool reuseKept(const std::string& href);
    void fetchBatch(const std::vector<std::string>& batch);
    void arrived(const std::vector<std::string>& batch, std::vector<FetchedCard> fetched);
    void keep(std::span<const KeptCard> fetched);
    void writeHere();
    void sendThere();
    void put(const Upload& upload);
    void remove(const Removal& removal);
    void answered();
    void confirmThere();
    void saveConfirmed();
    void fail(const std::string& message);
    void fail(const DavError& error);
    void finish();
    // Runs a file step under the folder's lock; false when it failed (and the sync ended).
    template <typename Step> bool fileStep(Step&& step);
};

template <typename Step> bool SyncRun::Private::fileStep(Step&& step)
{
    try {
        const auto lock = fs.lockFolder([] {});
        transfer::recoverInterruptedWrites(fs);
        step();
        return true;
    } catch (const store::StoreError& error) {
        fail(transfer::failureText(error));
    } catch (const BadStateFile& error) {
        fail(damagedStateText(error));
    }
    return false;
}

void SyncRun::Private::begin()
{
    syncLock = SyncLock::take();
    if (!syncLock)
        return fail("another sync of these contacts is still running; try again in a moment");
    std::optional<RememberedText> read;
    if (!fileStep([&] { read = readRemembered(fs); }))
        return;
    if (!read) {
        report.outcome = SyncReport::NotSetUp;
        report.error = "sync is not set up for these contacts; zarvoth --sync-setup URL --user "
                       "NAME sets it up";
        return finish();
    }
    remembered = std::move(*read);
    if (remembered.settledHead)
        state = *remembered.settledHead;
    else if (!readWhole())
        return;
    book = QUrl(QString::fromStdString(state.bookUrl));
    // Whatever such a book says it takes, and whatever an older sync remembered of it.
    if (client.traitsOf(book).onlyVCard3)
        state.cardVersion = "3.0";
    if (!state.cardVersion.empty())
        return list();
    // Asked once per book: the answer is remembered with the rest of the sync. Unanswered,
    // new cards are written in 3.0, which nearly every server takes, and it is asked again.
    client.cardVersion(book, [this](DavResult<std::string> version) {
        if (auto* known = std::get_if<std::string>(&version))
            state.cardVersion = *known;
        list();
    });
}

// What the last sync left, the contacts and the cards a cut-off sync kept, all of them.
bool SyncRun::Private::readWhole()
{
    remembered.settledHead.reset();
    return fileStep([&] {
        state = parseState(remembered.text);
        records = transfer::readRecords(fs);
        merges = readMergeNotesFile(fs);
        KeptCardsRead read = readKeptCardsFile(fs, state.bookUrl);
        for (KeptCard& card : read.cards)
            kept[card.href] = std::move(card);
        keptEnd = read.wholeLength;
    });
}

// A book left settled of which the server tells no change: the sync ends here, unless a window
// changed the contacts meanwhile. False when the sync goes on, with everything read.
bool SyncRun::Private::endSettled(const DavResult<Changes>& result)
{
    const auto* changes = std::get_if<Changes>(&result);
    bool unchanged = changes && changes->changed.empty() && changes->removed.empty();
    if (unchanged && !fileStep([&] {
            unchanged = keepSettled(fs, remembered, changes->newToken, state.cardVersion);
        }))
        return true;
    if (unchanged) {
        finish();
        return true;
    }
    return !readWhole();
}

void SyncRun::Private::list()
{
    client.changesSince(book, state.syncToken, [this](DavResult<Changes> result) {
        if (remembered.settledHead && endSettled(result))
            return;
        if (auto* error = std::get_if<DavError>(&result)) {
            if (listingWouldHelp(*error, !state.syncToken.empty()))
                return listAll();
            return fail(*error);
        }
        Changes& changes = std::get<Changes>(result);
        etags =
            state.syncToken.empty() ? std::map<std::string, std::string>() : rememberedEtags(state);
        for (const std::string& href : changes.removed)
            etags.erase(href);
        for (auto& [href, etag] : changes.changed)
            etags[href] = etag;
        newToken = changes.newToken;
        fetch();
    });
}

void SyncRun::Private::listAll()
{
    client.listBook(book, [this](DavResult<Changes> result) {
        if (auto* error = std::get_if<DavError>(&result))
            return fail(*error);
        etags = std::move(std::get<Changes>(result).changed);
        newToken = std::move(std::get<Changes>(result).newToken);
        fetch();
    });
}

void SyncRun::Private::fetch()
{
    std::vector<std::string> wanted;
    std::size_t reused = 0;
    for (std::string& href : withMergedCards(cardsToFetch(state, records, etags), merges, etags)) {
        if (cards.contains(href))
            continue;
        if (reuseKept(href))
            ++reused;
        else
            wanted.push_back(std::move(href));
    }
    if (wanted.empty())
        return writeHere();
    // Asked for a batch at a time, so that a big book can tell how far the sync has come and
    // each batch is kept as it comes.
    batches.clear();
    nextBatch = 0;
    for (std::size_t first = 0; first < wanted.size(); first += CardDavClient::MultigetBatch)
        batches.emplace_back(
            wanted.begin() + static_cast<std::ptrdiff_t>(first),
            wanted.begin() + static_cast<std::ptrdiff_t>(
                                 std::min(wanted.size(), first + CardDavClient::MultigetBatch)));
    cardsDone = reused;
    cardsToGet = reused + wanted.size();
    progress(cardsDone, cardsToGet);
    while (nextBatch < batches.size() && nextBatch < sendsAtOnce)
        fetchBatch(batches[nextBatch++]);
}

// A card an earlier sync kept is as good as fetched while the server still gives it the ETag
// it had then.
bool SyncRun::Private::reuseKept(const std::string& href)
{
    const auto card = kept.find(href);
    const auto etag = etags.find(href);
    if (card == kept.end() || etag == etags.end() || card->second.etag != etag->second)
        return false;
    cards[href] = std::move(card->second.text);
    kept.erase(card);
    return true;
}

void SyncRun::Private::fetchBatch(const std::vector<std::string>& batch)
{
    ++outstanding;
    client.fetchCards(book, batch, [this, &batch](DavResult<std::vector<FetchedCard>> result) {
        --outstanding;
        if (auto* error = std::get_if<DavError>(&result))
            return fail(*error);
        arrived(batch, std::move(std::get<0>(result)));
        if (report.outcome == SyncReport::Done && nextBatch < batches.size())
            return fetchBatch(batches[nextBatch++]);
        if (outstanding > 0)
            return;
        if (report.outcome == SyncReport::Done)
            return writeHere();
        finish();
    });
}

void SyncRun::Private::arrived(const std::vector<std::string>& batch,
                               std::vector<FetchedCard> fetched)
{
    std::vector<KeptCard> keeping;
    for (FetchedCard& card : fetched) {
        etags[card.href] = card.etag;
        // Without an ETag a card cannot be told unchanged the next time.
        if (!card.etag.empty())
            keeping.push_back({card.href, card.etag, card.text});
        cards[card.href] = std::move(card.text);
    }
    // A card deleted between the listing and the fetch is gone.
    for (const std::string& href : batch)
        if (!cards.contains(href))
            etags.erase(href);
    cardsDone += batch.size();
    progress(cardsDone, cardsToGet);
    keep(keeping);
}

void SyncRun::Private::keep(std::span<const KeptCard> fetched)
{
    if (!keptEnd || fetched.empty())
        return;
    try {
        const auto lock = fs.lockFolder([] {});
        keptEnd = addKeptCards(fs, state.bookUrl, *keptEnd, fetched);
    } catch (const store::StoreError&) {
        // The sync goes on without keeping its cards: only a sync cut off later would fetch
        // them again. Where the file stands is no longer known, so nothing more is added.
        keptEnd.reset();
    }
}

void SyncRun::Private::writeHere()
{
    plan =
        reconcile(state, records, ServerView{etags, cards}, uidSource,
                  [this](const std::string& uid) { return CardDavClient::hrefForUid(book, uid); });
    const bool mergesRemain =
        !merges.empty() && carryMergedCards(plan, merges, ServerView{etags, cards});
    // The token tells what changed since the listing; the uploads of this very sync come
    // after it, and a card uploaded and deleted again on the phone before the next sync would
    // never show up as a change. After a sync that changes the server, the next one lists the
    // whole book (still one request).
    plan.state.syncToken = plan.uploads.empty() && plan.removals.empty() ? newToken : std::string();
    bool replan = false;
    const bool written = fileStep([&] {
        std::vector<store::ContactRecord> now = transfer::readRecords(fs);
        // A window changed the contacts while the sync talked to the server: plan again
        // from what it left, so that nothing it wrote is overwritten.
        if (now != records) {
            records = std::move(now);
            replan = true;
            return;
        }
        keepDeletedCards(fs, state, cards, plan);
        if (plan.recordsChanged) {
            store::DataFile data(fs, transfer::DataFileName);
            store::DataFile scratch(fs, transfer::ImportScratchName);
            data.open();
            try {
                store::replaceAllOrNothing(data, scratch, plan.records);
            } catch (const store::ChangeNotYetOnDisk& error) {
                // The contacts are written; what the sync remembers must say so too.
                report.error = transfer::failureText(error);
            }
        }
        if (report.error.empty() && leavesBookSettled(plan))
            plan.state.settledOn = dataFileHash(fs);
        writeStateFile(fs, plan.state);
        // What was fetched is in the state and the contacts now.
        dropKeptCards(fs);
        if (!merges.empty() && !mergesRemain)
            dropMergeNotes(fs);
    });
    if (!written)
        return;
    if (plan.recordsChanged && !replan)
        recordsWritten();
    if (replan) {
        if (++rounds >= planRounds)
            return fail("the contacts kept changing while they were synced; the next sync "
                        "takes what is left");
        return fetch();
    }
    report.contactsIn = plan.contactsIn;
    report.notices = plan.notices;
    sendThere();
}

void SyncRun::Private::sendThere()
{
    outstanding = plan.uploads.size() + plan.removals.size();
    if (outstanding == 0)
        return finish();
    for (const Upload& upload : plan.uploads)
        sends.push_back([this, &upload] { put(upload); });
    for (const Removal& removal : plan.removals)
        sends.push_back([this, &removal] { remove(removal); });
    progress(0, sends.size());
    for (std::size_t i = 0; i < sendsAtOnce && nextSend < sends.size(); ++i)
        sends[nextSend++]();
}

void SyncRun::Private::answered()
{
    progress(sends.size() - outstanding + 1, sends.size());
    // After a failure nothing more is sent: what went is confirmed, the rest waits for the
    // next sync.
    if (report.outcome == SyncReport::Done && nextSend < sends.size())
        sends[nextSend++]();
    else
        outstanding -= sends.size() - std::exchange(nextSend, sends.size());
    if (--outstanding == 0)
        confirmThere();
}

void SyncRun::Private::put(const Upload& upload)
{
    client.putCard(book, upload.href, upload.text, upload.ifMatch,
                   [this, &upload](DavResult<PutOutcome> result) {
                       if (auto* sent = std::get_if<PutOutcome>(&result)) {
                           taken.push_back({&upload, sent->etag, sent->href});
                           ++report.contactsOut;
                       } else if (auto* error = std::get_if<DavError>(&result)) {
                           // A new card already there is this sync's own, stored by an
                           // earlier run whose answer was lost.
                           if (error->kind == DavError::PreconditionFailed &&
                               upload.ifMatch.empty())
                               taken.push_back({&upload, std::string()});
                           else if (error->kind != DavError::PreconditionFailed)
                               fail(*error);
                       }
                       answered();
                   });
}

void SyncRun::Private::remove(const Removal& removal)
{
    client.deleteCard(book, removal.href, removal.etag,
                      [this, &removal](DavResult<std::monostate> result) {
                          if (auto* error = std::get_if<DavError>(&result)) {
                              // Changed on the server meanwhile: the next sync decides again.
                              if (error->kind != DavError::PreconditionFailed)
                                  fail(*error);
                          } else {
                              removed.push_back(&removal);
                              ++report.contactsOut;
                          }
                          answered();
                      });
}

void SyncRun::Private::confirmThere()
{
    confirmTaken(plan.state, taken, removed);
    const std::vector<std::string> unknown = takenWithoutEtag(taken);
    if (unknown.empty() || report.outcome != SyncReport::Done)
        return saveConfirmed();
    ++outstanding;
    client.fetchCards(book, unknown, [this](DavResult<std::vector<FetchedCard>> result) {
        --outstanding;
        // Unread, the cards are simply compared again at the next sync.
        if (auto* fetched = std::get_if<std::vector<FetchedCard>>(&result)) {
            std::vector<CardReadBack> cards;
            for (FetchedCard& card : *fetched)
                cards.push_back({card.href, card.etag, std::move(card.text)});
            settleEtags(plan.state, cards);
        }
        saveConfirmed();
    });
}

void SyncRun::Private::saveConfirmed()
{
    const SyncReport::Outcome outcome = report.outcome;
    if (fileStep([&] { writeStateFile(fs, plan.state); }))
        report.outcome = outcome;
    finish();
}

void SyncRun::Private::fail(const DavError& error)
{
    report.passwordRefused = report.passwordRefused || error.kind == DavError::Unauthorized;
    fail(error.message);
}

void SyncRun::Private::fail(const std::string& message)
{
    // The first failure is the one told; a sync waiting for other answers ends once they came.
    if (report.outcome == SyncReport::Done) {
        report.outcome = SyncReport::Failed;
        report.error = message;
    }
    if (outstanding == 0)
        finish();
}

void SyncRun::Private::finish()
{
    if (!done)
        return;
    if (report.outcome == SyncReport::Done && !report.error.empty())
        report.outcome = SyncReport::Failed;
    syncLock.reset();
    auto call = std::exchange(done, nullptr);
    call(report);
}

SyncRun::SyncRun(store::FileSystem& fs, carddav::Credentials credentials, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>(fs, std::move(credentials)))
{
}

SyncRun::~SyncRun() = default;

void SyncRun::setTimeout(int milliseconds)
{
    d->client.setTimeout(milliseconds);
}

void SyncRun::setAnswerWait(int milliseconds)
{
    d->client.setAnswerWait(milliseconds);
}

void SyncRun::setMostWaiting(int milliseconds)
{
    d->client.setMostWaiting(milliseconds);
}

void SyncRun::setWaitNotice(std::function<void(const std::string&)> notice)
{
    d->client.setWaitNotice(std::move(notice));
}

void SyncRun::setUidSource(UidSource source)
{
    d->uidSource = std::move(source);
}

void SyncRun::setProgress(std::function<void(std::size_t, std::size_t)> progress)
{
    d->progress = std::move(progress);
}

void SyncRun::setRecordsWritten(std::function<void()> written)
{
    d->recordsWritten = std::move(written);
}

void SyncRun::start(std::function<void(SyncReport)> done)
{
    d->done = std::move(done);
    d->begin();
}

} // namespace syncing
