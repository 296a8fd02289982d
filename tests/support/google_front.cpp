#include "support/google_front.h"

#include "support/sign_in_world.h"

#include <QDeadlineTimer>

#include <stdexcept>

GoogleFront::GoogleFront(const QUrl& backend, const QUrl& introspection, const QString& bookPath)
{
    process_.start(QStringLiteral("python3"),
                   {QStringLiteral(ZARVOTH_GOOGLE_FRONT), backend.toString(),
                    introspection.toString(), bookPath});
    port_ = listeningPort(process_, "the Google front");
}

GoogleFront::~GoogleFront()
{
    endByItsId(process_);
}

QUrl GoogleFront::rootUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port_));
}

void GoogleFront::readLines()
{
    while (process_.canReadLine())
        lines_ << QString::fromUtf8(process_.readLine().trimmed());
}

void GoogleFront::command(const QByteArray& line)
{
    const QString done = QStringLiteral("done ") + QString::fromLatin1(line.split(' ').front());
    const qsizetype before = lines_.count(done);
    process_.write(line + '\n');
    const QDeadlineTimer deadline(10000);
    while (lines_.count(done) == before && !deadline.hasExpired()) {
        process_.waitForReadyRead(100);
        readLines();
    }
    if (lines_.count(done) == before)
        throw std::runtime_error("the Google front did not take " + line.toStdString());
}

QStringList GoogleFront::requests()
{
    process_.waitForReadyRead(100);
    readLines();
    QStringList requests;
    for (const QString& line : lines_)
        if (line.startsWith(QLatin1String("request ")))
            requests << line.mid(8);
    return requests;
}
