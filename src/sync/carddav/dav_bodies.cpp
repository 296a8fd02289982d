#include "sync/carddav/dav_bodies.h"

namespace carddav::bodies {
namespace {

const QByteArray Prologue = R"(<?xml version="1.0" encoding="utf-8"?>)"
                            "\n";
const QByteArray Namespaces = R"( xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav")";

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray propfind(const QByteArray& properties)
{
    return Prologue + "<d:propfind" + Namespaces + "><d:prop>" + properties +
           "</d:prop></d:propfind>\n";
}

} // namespace

QByteArray discoveryProperties()
{
    return propfind("<d:resourcetype/><d:displayname/><d:current-user-principal/>"
                    "<c:addressbook-home-set/>");
}

QByteArray homeSetProperty()
{
    return propfind("<c:addressbook-home-set/>");
}

QByteArray collectionProperties()
{
    return propfind("<d:resourcetype/><d:displayname/>");
}

QByteArray supportedReports()
{
    return propfind("<d:resourcetype/><d:supported-report-set/>");
}

QByteArray addressDataTypes()
{
    return propfind("<d:resourcetype/><c:supported-address-data/>");
}

QByteArray etags()
{
    return propfind("<d:resourcetype/><d:getetag/><d:sync-token/>");
}

QByteArray syncCollection(const std::string& token)
{
    return Prologue + "<d:sync-collection" + Namespaces + "><d:sync-token>" +
           escaped(QString::fromStdString(token)) +
           "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
           "</d:sync-collection>\n";
}

QByteArray multiget(const std::vector<QUrl>& cards)
{
    QByteArray body = Prologue + "<c:addressbook-multiget" + Namespaces +
                      "><d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const QUrl& card : cards)
        body += "<d:href>" + escaped(card.path(QUrl::FullyEncoded)) + "</d:href>";
    return body + "</c:addressbook-multiget>\n";
}

QByteArray makeAddressBook(const QString& displayName)
{
    return Prologue + "<d:mkcol" + Namespaces +
           "><d:set><d:prop><d:resourcetype><d:collection/><c:addressbook/></d:resourcetype>"
           "<d:displayname>" +
           escaped(displayName) + "</d:displayname></d:prop></d:set></d:mkcol>\n";
}

} // namespace carddav::bodies
