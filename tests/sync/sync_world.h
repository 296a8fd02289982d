#pragma once

#include "store/contact_record.h"
#include "sync/reconcile/reconcile.h"

#include <QStringList>

#include <climits>
#include <map>
#include <string>
#include <vector>

// Both sides of a sync in memory: the file's records, the state beside them, and a server
// that keeps cards by href and honours If-Match and If-None-Match.
struct SyncWorld {
    struct StoredCard {
        std::string etag;
        std::string text;
    };

    std::vector<store::ContactRecord> records;
    syncing::SyncState state;
    std::map<std::string, StoredCard> server;
    int uids = 0;
    int etags = 0;

    void put(const std::string& href, const std::string& text);

    // One sync, cut off after `steps` of its steps: writing the file, writing the state, then
    // each upload and removal the server takes (the state is written again only at the end).
    syncing::Plan run(int steps = INT_MAX);

    // Each side's contacts as "nick|full|family|city|number", sorted.
    QStringList localContacts() const;
    QStringList serverContacts() const;
};

store::ContactRecord contact(const char* nick, const char* fullName, const char* familyName,
                             const char* city, const char* phone);
