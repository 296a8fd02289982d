#include "sync/setup/set_up_state.h"

#include "sync/state/state_file.h"

namespace syncing {

bool isServerAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

void rememberSetUp(store::FileSystem& fs, const QString& user, const QUrl& book)
{
    std::optional<SyncState> last;
    try {
        last = readStateFile(fs);
    } catch (const BadStateFile&) {
        // A damaged memory of the last sync is replaced: the next sync pairs the contacts
        // anew without duplicating them.
    }
    SyncState state;
    state.bookUrl = book.toString().toStdString();
    state.user = user.toStdString();
    if (last && last->bookUrl == state.bookUrl && last->user == state.user)
        state = *last;
    writeStateFile(fs, state);
}

} // namespace syncing
