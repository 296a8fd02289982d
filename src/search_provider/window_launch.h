#pragma once

#include <QStringList>

namespace search_provider {

// Opens the window as the menu does, in the user's folder of contacts, with its list narrowed
// to what the words find: the desktop's "more results".
void openWindowOn(const QStringList& terms);

} // namespace search_provider
