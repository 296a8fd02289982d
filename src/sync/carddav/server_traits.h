#pragma once

#include <QString>
#include <QUrl>

// What a server is known to do differently from what CardDAV lets a client expect, by the
// host of its address book. The program knows some services (Google's); a user names others
// in ~/.config/zarvoth/server-traits, one server a line: its host (with ":port" to name one
// port only), then its traits, e.g. "dav.example.org if-match-unenforced". '#' starts a note.
namespace carddav {

struct ServerTraits {
    // "if-match-unenforced": an update or a deletion with If-Match goes through even when the
    // card changed since; the card's ETag is read again right before, so that a change made
    // on the server meanwhile is not overwritten.
    bool ifMatchUnenforced = false;
    // "sync-collection-depth-1": a sync-collection asked with Depth 0 is refused.
    bool syncCollectionDepthOne = false;
    // "vcard-3-only": whatever the book says it takes, only vCard 3.0 is kept.
    bool onlyVCard3 = false;

    bool operator==(const ServerTraits&) const = default;
};

// The traits of the server of `book` as `lines` name them; a line naming the host and port
// wins over one naming the host alone.
ServerTraits traitsIn(const QString& lines, const QUrl& book);

// The traits the program knows of, then those of the user's file.
ServerTraits serverTraits(const QUrl& book);

} // namespace carddav
