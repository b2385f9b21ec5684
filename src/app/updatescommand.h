#pragma once

#include "updates/updatechecker.h"

#include <QString>

namespace siteloom {

// siteloom --updates LISTFILE [--json] [--timeout SECONDS] [--jobs N] [--updates-page FILE]: loads
// the list as --build does, looks at every partner's site for a change since the last check, keeps
// what it saw in the user's state directory and prints a line per entry (or, with --json, one JSON
// object). With --updates-page, also writes the page of updates, newest first, in the link page's
// charset and line ends. Exits 0 when the check ran, whatever it found; 1 when the list did not
// load or the page or the report could not be written (a state that could not be kept is only
// said). Runs on a QCoreApplication.
[[nodiscard]] int runUpdates(const QString& file, bool json, const UpdateOptions& options,
                             const QString& pageFile);

} // namespace siteloom
