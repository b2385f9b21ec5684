#pragma once

#include "checker/linkchecker.h"

#include <QString>

namespace siteloom {

// siteloom --check FILE [--json] [--timeout SECONDS] [--jobs N]: loads FILE as --build does,
// checks every entry's site, banner and link back, and prints one line per entry (or, with
// --json, one JSON object). Exits 0 when nothing needs the user's attention, 1 when something does
// or the file did not load. Progress goes to standard error when that is a terminal. Runs on a
// QCoreApplication.
[[nodiscard]] int runCheck(const QString& file, bool json, const CheckOptions& options);

} // namespace siteloom
