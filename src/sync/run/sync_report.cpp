#include "sync/run/sync_report.h"

namespace syncing {

std::string summaryText(const SyncReport& report)
{
    std::string text = std::to_string(report.contactsIn) +
                       (report.contactsIn == 1 ? " contact in, " : " contacts in, ") +
                       std::to_string(report.contactsOut) + " out\n";
    if (!report.notices.empty())
        text += "Needs your eye:\n";
    for (const std::string& notice : report.notices)
        text += "  " + notice + "\n";
    return text;
}

} // namespace syncing
