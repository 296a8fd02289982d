#include "dialing/desktop_entry.h"

#include <QFile>
#include <QTextStream>

#include <optional>
#include <utility>

namespace {

// \s, \n, \t, \r and \\ in a value.
QString unescaped(const QString& value)
{
    QString text;
    for (qsizetype at = 0; at < value.size(); ++at) {
        if (value[at] != u'\\' || at + 1 == value.size()) {
            text.append(value[at]);
            continue;
        }
        const QChar next = value[++at];
        text.append(next == u's'   ? QChar(u' ')
                    : next == u'n' ? QChar(u'\n')
                    : next == u't' ? QChar(u'\t')
                    : next == u'r' ? QChar(u'\r')
                                   : next);
    }
    return text;
}

// Exec's words: blanks separate them, and a word in double quotes keeps its blanks, a
// backslash there escaping the next character. Nothing when a quote is left open.
std::optional<QStringList> words(const QString& exec)
{
    QStringList split;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype at = 0; at < exec.size(); ++at) {
        const QChar ch = exec[at];
        if (quoted) {
            if (ch == u'\\' && at + 1 < exec.size())
                word.append(exec[++at]);
            else if (ch == u'"')
                quoted = false;
            else
                word.append(ch);
        } else if (ch == u'"') {
            quoted = inWord = true;
        } else if (ch == u' ' || ch == u'\t') {
            if (inWord)
                split.append(std::exchange(word, QString()));
            inWord = false;
        } else {
            word.append(ch);
            inWord = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        split.append(word);
    return split;
}

} // namespace

DesktopEntry readDesktopEntry(const QString& path)
{
    DesktopEntry entry;
    entry.path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    QTextStream lines(&file);
    bool inGroup = false;
    for (QString line; lines.readLineInto(&line);) {
        if (line.startsWith(u'['))
            inGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescaped(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
    }
    return entry;
}

QStringList commandOpening(const DesktopEntry& entry, const QString& uri)
{
    const std::optional<QStringList> split = words(entry.exec);
    if (!split || split->isEmpty())
        return {};
    QStringList command;
    bool uriGiven = false;
    for (const QString& word : *split) {
        if (word == QLatin1String("%u") || word == QLatin1String("%U") ||
            word == QLatin1String("%f") || word == QLatin1String("%F")) {
            command.append(uri);
            uriGiven = true;
        } else if (word == QLatin1String("%i")) {
            if (!entry.icon.isEmpty())
                command.append({QStringLiteral("--icon"), entry.icon});
        } else if (word == QLatin1String("%c")) {
            command.append(entry.name);
        } else if (word == QLatin1String("%k")) {
            command.append(entry.path);
        } else if (word.size() == 2 && word.startsWith(u'%') && word != QLatin1String("%%")) {
            continue; // a field code no longer in use
        } else {
            command.append(QString(word).replace(QLatin1String("%%"), QLatin1String("%")));
        }
    }
    if (!uriGiven)
        command.append(uri);
    return command;
}
