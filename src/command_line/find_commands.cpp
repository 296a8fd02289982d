#include "command_line/find_commands.h"

#include "command_line/command_line.h"
#include "dialing/call_handover.h"
#include "dialing/stored_number.h"
#include "dialing/telephone.h"
#include "dialing/telephone_application.h"
#include "search/contact_matching.h"
#include "search/shown_contact.h"
#include "store/store_error.h"
#include "transfer/book_reading.h"
#include "transfer/failure_text.h"
#include "window/form/store_text.h"

#include <ostream>

namespace command_line {
namespace {

std::string quoted(const QString& text)
{
    return '"' + text.toStdString() + '"';
}

std::vector<store::ContactRecord> found(const std::vector<store::ContactRecord>& book,
                                        const search::ContactQuery& query)
{
    std::vector<store::ContactRecord> records;
    for (const store::ContactRecord& record : book) {
        if (query.matches(record))
            records.push_back(record);
    }
    return records;
}

// The contacts stored under exactly this nickname.
std::vector<store::ContactRecord> named(const std::vector<store::ContactRecord>& book,
                                        const QString& nick)
{
    std::vector<store::ContactRecord> records;
    const std::optional<std::string> wanted = toStoreExact(nick);
    for (const store::ContactRecord& record : book) {
        if (wanted && store::trimmedEquals(record.Nick.text(), *wanted))
            records.push_back(record);
    }
    return records;
}

QString oneArgument(const std::vector<std::string>& arguments, const char* usage)
{
    if (arguments.size() != 1)
        throw std::invalid_argument(usage);
    return QString::fromLocal8Bit(arguments.front());
}

} // namespace

std::string listingLine(const store::ContactRecord& record)
{
    const QStringList cells = {
        search::shownField(record.Nick.text()), search::shownField(record.FullName.text()),
        search::shownField(record.FamilyName.text()), search::shownField(record.City.text()),
        dialledForm(composedNumber(record))};
    return cells.join(u'\t').toStdString() + '\n';
}

int runFind(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
            std::ostream& err)
{
    try {
        const QString text = oneArgument(
            arguments, "--find needs exactly one text to look for; quote it when it holds blanks");
        const std::vector<store::ContactRecord> matches =
            found(transfer::readBook(fs), search::ContactQuery::fromText(text));
        for (const store::ContactRecord& record : matches)
            out << listingLine(record);
        if (!(out << std::flush)) {
            err << "zarvoth: could not write to standard output" << std::endl;
            return FindFailed;
        }
        return matches.empty() ? NoneFound : Found;
    } catch (const std::invalid_argument& wrong) {
        err << "zarvoth: " << wrong.what() << std::endl;
    } catch (const store::StoreError& error) {
        err << "zarvoth: " << transfer::failureText(error) << std::endl;
    }
    return FindFailed;
}

int runDial(const std::vector<std::string>& arguments, store::FileSystem& fs, std::ostream& out,
            std::ostream& err)
{
    const auto refuse = [&](int status, const std::string& message) {
        err << "zarvoth: " << message << std::endl;
        return status;
    };
    if (arguments.size() != 1)
        return refuse(UsageError, "--dial needs exactly one contact: a nickname, or what --find "
                                  "finds the contact by");
    const QString who = QString::fromLocal8Bit(arguments.front());
    const std::vector<store::ContactRecord> book = transfer::readBook(fs);
    std::vector<store::ContactRecord> candidates = named(book, who);
    if (candidates.empty())
        candidates = found(book, search::ContactQuery::fromText(who));
    if (candidates.empty())
        return refuse(UsageError,
                      "no contact is found by " + quoted(who) + "; nothing was dialled");
    if (candidates.size() > 1) {
        for (const store::ContactRecord& record : candidates)
            out << listingLine(record);
        out << std::flush;
        return refuse(UsageError, std::to_string(candidates.size()) + " contacts are found by " +
                                      quoted(who) +
                                      "; nothing was dialled: give one of their nicknames");
    }
    const store::ContactRecord& contact = candidates.front();
    const QString number = composedNumber(contact);
    if (number.isEmpty())
        return refuse(FileFailure, quoted(search::shownField(contact.Nick.text())) +
                                       " has no phone number; nothing was dialled");
    const auto application = applicationForTheTelephone();
    const QString reason = handOverCall(number, telephone());
    if (!reason.isEmpty())
        return refuse(FileFailure, reason.toStdString());
    return Success;
}

} // namespace command_line
