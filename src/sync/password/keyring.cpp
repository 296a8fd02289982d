#include "sync/password/keyring.h"

#include <qt6keychain/keychain.h>

#include <QPointer>
#include <QTimer>

#include <memory>

namespace syncing {
namespace {

const QString service = QStringLiteral("Zarvoth");

// Runs a keychain job and hands its outcome on once: when it finishes, or when the patience
// runs out first, whichever comes first. A job still running then is left to end on its own;
// it deletes itself.
template <typename JobType, typename Outcome>
void runJob(JobType* job, int patienceMs, std::function<void(Outcome)> done,
            std::function<Outcome(JobType*)> outcomeOf, Outcome silence)
{
    auto answered = std::make_shared<bool>(false);
    auto answer = [answered, done](Outcome outcome) {
        if (*answered)
            return;
        *answered = true;
        done(std::move(outcome));
    };
    QObject::connect(job, &QKeychain::Job::finished, job, [job, answer, outcomeOf] {
        answer(outcomeOf(job));
    });
    QTimer::singleShot(patienceMs, [answer, silence] { answer(silence); });
    job->setAutoDelete(true);
    job->start();
}

} // namespace

QString keyringKey(const QString& user, const QString& host)
{
    return user + QLatin1Char('@') + host;
}

void readFromKeyring(const QString& key, std::function<void(std::optional<QString>)> done,
                     int patienceMs)
{
    auto* job = new QKeychain::ReadPasswordJob(service);
    job->setKey(key);
    job->setInsecureFallback(false);
    runJob<QKeychain::ReadPasswordJob, std::optional<QString>>(
        job, patienceMs, std::move(done),
        [](QKeychain::ReadPasswordJob* finished) -> std::optional<QString> {
            if (finished->error() != QKeychain::NoError || finished->textData().isEmpty())
                return std::nullopt;
            return finished->textData();
        },
        std::nullopt);
}

void storeInKeyring(const QString& key, const QString& password, std::function<void(bool)> done,
                    int patienceMs)
{
    auto* job = new QKeychain::WritePasswordJob(service);
    job->setKey(key);
    job->setInsecureFallback(false);
    job->setTextData(password);
    runJob<QKeychain::WritePasswordJob, bool>(
        job, patienceMs, std::move(done),
        [](QKeychain::WritePasswordJob* finished) { return finished->error() == QKeychain::NoError; },
        false);
}

void removeFromKeyring(const QString& key, std::function<void()> done, int patienceMs)
{
    auto* job = new QKeychain::DeletePasswordJob(service);
    job->setKey(key);
    job->setInsecureFallback(false);
    runJob<QKeychain::DeletePasswordJob, bool>(
        job, patienceMs, std::function<void(bool)>([done](bool) { done(); }),
        [](QKeychain::DeletePasswordJob*) { return true; }, true);
}

} // namespace syncing
