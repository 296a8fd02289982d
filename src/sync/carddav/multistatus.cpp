#include "sync/carddav/multistatus.h"

#include <QString>
#include <QUrl>
#include <QXmlStreamReader>

#include <stdexcept>

namespace carddav {
namespace {

const QString Dav = QStringLiteral("DAV:");
const QString CardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// An answer nests a few levels deep (multistatus, response, propstat, prop, property,
// value); anything far deeper is not an answer but an attempt to exhaust the reader.
constexpr int MaxDepth = 64;

[[noreturn]] void fail(const std::string& why)
{
    throw std::runtime_error(why);
}

class Reader {
public:
    explicit Reader(const QByteArray& xml) : xml_(xml) { xml_.setNamespaceProcessing(true); }

    Multistatus read()
    {
        if (!nextChild(0))
            fail("the server's answer holds no XML element");
        if (!isDav(u"multistatus"))
            fail("the server's answer is not a WebDAV multistatus");
        readMultistatus();
        while (!xml_.atEnd())
            next(); // only what may follow the root: comments, blanks, or an error
        return std::move(result_);
    }

private:
    // Advances one token, refusing what an answer never needs and what could make it explode.
    QXmlStreamReader::TokenType next()
    {
        const auto token = xml_.readNext();
        if (token == QXmlStreamReader::DTD)
            fail("the server's answer declares a DTD, which is not accepted");
        if (token == QXmlStreamReader::EntityReference)
            fail("the server's answer uses an entity, which is not accepted");
        if (token == QXmlStreamReader::StartElement && ++depth_ > MaxDepth)
            fail("the server's answer nests too deeply");
        if (token == QXmlStreamReader::EndElement)
            --depth_;
        if (xml_.hasError())
            fail("the server's answer is not well-formed XML: " + xml_.errorString().toStdString() +
                 " (line " + std::to_string(xml_.lineNumber()) + ")");
        return token;
    }

    // Moves to the next child element of the element at `level` (0: the document); false at
    // the element's end.
    bool nextChild(int level)
    {
        while (!xml_.atEnd()) {
            const auto token = next();
            if (token == QXmlStreamReader::StartElement)
                return true;
            if (token == QXmlStreamReader::EndElement && depth_ < level)
                return false;
        }
        if (level == 0)
            return false;
        fail("the server's answer ends in the middle");
    }

    void skipElement()
    {
        const int level = depth_;
        while (nextChild(level))
            skipElement();
    }

    QString text()
    {
        QString collected;
        const int level = depth_;
        while (!xml_.atEnd()) {
            const auto token = next();
            if (token == QXmlStreamReader::Characters)
                collected += xml_.text();
            else if (token == QXmlStreamReader::StartElement)
                skipElement();
            else if (token == QXmlStreamReader::EndElement && depth_ < level)
                return collected;
        }
        fail("the server's answer ends in the middle");
    }

    bool isDav(QStringView name) const { return xml_.namespaceUri() == Dav && xml_.name() == name; }

    bool isCardDav(QStringView name) const
    {
        return xml_.namespaceUri() == CardDav && xml_.name() == name;
    }

    void readMultistatus()
    {
        const int level = depth_;
        while (nextChild(level)) {
            if (isDav(u"response"))
                result_.responses.push_back(readResponse());
            else if (isDav(u"sync-token"))
                result_.syncToken = text().trimmed().toStdString();
            else
                skipElement();
        }
    }

    MultistatusResponse readResponse()
    {
        MultistatusResponse response;
        int ownStatus = 0;
        int propertiesStatus = 0;
        bool hasHref = false;
        const int level = depth_;
        while (nextChild(level)) {
            if (isDav(u"href") && !hasHref) {
                response.writtenHref = text().trimmed().toStdString();
                response.href = decodedHrefPath(QString::fromStdString(response.writtenHref));
                hasHref = true;
            } else if (isDav(u"status")) {
                ownStatus = statusFromLine(text());
            } else if (isDav(u"propstat")) {
                const int status = readPropstat(response);
                if (propertiesStatus == 0 || (status / 100 == 2 && propertiesStatus / 100 != 2))
                    propertiesStatus = status;
            } else {
                skipElement();
            }
        }
        if (!hasHref)
            fail("a response in the server's answer names no resource");
        response.status = ownStatus != 0 ? ownStatus : propertiesStatus;
        response.statusOfItsOwn = ownStatus != 0;
        return response;
    }

    // Reads into a scratch response, and keeps what it read only when the status says the
    // properties were found: a 404 propstat lists the properties the server lacks.
    int readPropstat(MultistatusResponse& response)
    {
        MultistatusResponse found;
        int status = 0;
        const int level = depth_;
        while (nextChild(level)) {
            if (isDav(u"status"))
                status = statusFromLine(text());
            else if (isDav(u"prop"))
                readProperties(found);
            else
                skipElement();
        }
        if (status / 100 == 2 || status == 0) {
            response.properties.merge(found.properties);
            response.resourceTypes.insert(response.resourceTypes.end(), found.resourceTypes.begin(),
                                          found.resourceTypes.end());
            response.supportedReports.insert(response.supportedReports.end(),
                                             found.supportedReports.begin(),
                                             found.supportedReports.end());
            response.hrefProperties.merge(found.hrefProperties);
            response.vcardVersions.insert(response.vcardVersions.end(), found.vcardVersions.begin(),
                                          found.vcardVersions.end());
        }
        return status;
    }

    void readProperties(MultistatusResponse& into)
    {
        const int level = depth_;
        while (nextChild(level)) {
            const std::string name = xml_.name().toString().toStdString();
            if (isDav(u"resourcetype"))
                into.resourceTypes = childNames();
            else if (isDav(u"supported-report-set"))
                into.supportedReports = reportNames();
            else if (isCardDav(u"supported-address-data"))
                into.vcardVersions = vcardVersions();
            else if (isDav(u"current-user-principal") || isCardDav(u"addressbook-home-set"))
                into.hrefProperties[name] = hrefs();
            else
                into.properties[name] = text().toStdString();
        }
    }

    std::vector<std::string> childNames()
    {
        std::vector<std::string> names;
        const int level = depth_;
        while (nextChild(level)) {
            names.push_back(xml_.name().toString().toStdString());
            skipElement();
        }
        return names;
    }

    // supported-report-set / supported-report / report / <the report>; some servers leave
    // out the <report> level.
    std::vector<std::string> reportNames()
    {
        std::vector<std::string> names;
        const int level = depth_;
        while (nextChild(level)) {
            if (!isDav(u"supported-report")) {
                skipElement();
                continue;
            }
            const int reportLevel = depth_;
            while (nextChild(reportLevel)) {
                if (isDav(u"report")) {
                    for (std::string& name : childNames())
                        names.push_back(std::move(name));
                } else {
                    names.push_back(xml_.name().toString().toStdString());
                    skipElement();
                }
            }
        }
        return names;
    }

    // supported-address-data / address-data-type content-type="text/vcard" version="4.0";
    // each attribute left out means text/vcard 3.0.
    std::vector<std::string> vcardVersions()
    {
        std::vector<std::string> versions;
        const int level = depth_;
        while (nextChild(level)) {
            if (isCardDav(u"address-data-type")) {
                const QXmlStreamAttributes attributes = xml_.attributes();
                const QStringView type = attributes.value(QStringLiteral("content-type"));
                const QStringView version = attributes.value(QStringLiteral("version"));
                if (type.isEmpty() ||
                    type.trimmed().compare(u"text/vcard", Qt::CaseInsensitive) == 0)
                    versions.push_back(
                        version.isEmpty() ? "3.0" : version.trimmed().toString().toStdString());
            }
            skipElement();
        }
        return versions;
    }

    std::vector<std::string> hrefs()
    {
        std::vector<std::string> found;
        const int level = depth_;
        while (nextChild(level)) {
            if (isDav(u"href"))
                found.push_back(text().trimmed().toStdString());
            else
                skipElement();
        }
        return found;
    }

    QXmlStreamReader xml_;
    int depth_ = 0;
    Multistatus result_;
};

} // namespace

int statusFromLine(const QString& line)
{
    // "HTTP/1.1 200 OK": the code is the second word.
    const QStringList words = line.simplified().split(QLatin1Char(' '));
    if (words.size() < 2 || !words[0].startsWith(QLatin1String("HTTP/")))
        return 0;
    bool ok = false;
    const int code = words[1].toInt(&ok);
    return ok && code >= 100 && code <= 599 ? code : 0;
}

std::string decodedHrefPath(const QString& href)
{
    QString path = href;
    if (href.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        href.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        path = QUrl(href).path(QUrl::FullyEncoded);
    return QUrl::fromPercentEncoding(path.toUtf8()).toStdString();
}

Multistatus readMultistatus(const QByteArray& xml)
{
    if (xml.size() > MaxAnswerBytes)
        fail("the server's answer is larger than 64 MiB");
    return Reader(xml).read();
}

} // namespace carddav
