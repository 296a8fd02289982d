#pragma once

#include <iosfwd>

// zarvoth --search-provider: the desktop's search (GNOME Shell's overview, KRunner) finds
// contacts and calls them through one process that the session bus starts when the desktop
// first asks, and that ends after a minute without a question. It shows no window.
namespace search_provider {

inline constexpr const char* BusName = "io.github.zarvoth.zarvoth.SearchProvider";
inline constexpr const char* GnomeShellPath = "/io/github/zarvoth/zarvoth/SearchProvider";
inline constexpr const char* KRunnerPath = "/runner";

// Serves both until the minute has passed; 1 when there is no session bus or another process
// serves the name already.
int run(std::ostream& err);

} // namespace search_provider
