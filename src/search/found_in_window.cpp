// The window opened on a search of the desktop's: its list narrowed to what the words find.
#include "window/form/form1x.h"

#include "search/contact_matching.h"

void Form1x::showFound(const QStringList& terms)
{
    const search::ContactQuery query = search::ContactQuery::fromTerms(terms);
    if (query.asksNothing())
        return;
    const auto found = [&](const store::RecordView& record) {
        return query.matches(record.decode());
    };
    runAction([&] {
        OpenDataFile();
        bool any = false;
        for (std::int32_t i = 1; i <= state_.RecordCount && !any; ++i)
            any = found(viewRecord(i));
        // Nothing found: the window stays as it started, every contact listed.
        if (any)
            listMatchingRecords(found);
        closeDataFile();
        if (any)
            ShowCurrentRecord(); // the last found, as the search menu shows it
    });
}
