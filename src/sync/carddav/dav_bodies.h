#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string>
#include <vector>

// The XML a CardDAV client sends: what it asks a PROPFIND or a REPORT for, and what an
// address book is made with.
namespace carddav::bodies {

// Depth 0 at the URL discovery starts from: enough to tell a book, a principal, a home.
QByteArray discoveryProperties();
// The principal's addressbook-home-set.
QByteArray homeSetProperty();
// Depth 1 at a home: which children are address books, and their names.
QByteArray collectionProperties();
// Depth 0 at a book: whether it offers sync-collection.
QByteArray supportedReports();
// Depth 0 at a book: the vCard versions it takes.
QByteArray addressDataTypes();
// Depth 1 at a book: every card's ETag, and the book's sync-token.
QByteArray etags();
// sync-collection since `token` (empty: from the start), the ETags of what changed.
QByteArray syncCollection(const std::string& token);
// addressbook-multiget of the cards at these URLs, their ETags and text.
QByteArray multiget(const std::vector<QUrl>& cards);
// Extended MKCOL: an address book collection with this display name.
QByteArray makeAddressBook(const QString& displayName);

} // namespace carddav::bodies
