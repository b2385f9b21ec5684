#pragma once

#include <QStringList>

#include <optional>

namespace siteloom {

// The command line's ways of getting links in and out, without a window:
//   siteloom --import SOURCE --output LISTFILE [--folder PATH]
//       a new list file from a bookmarks file (start values for the page options) or from a page
//       this tool wrote (its options too). An existing LISTFILE is never replaced. Entries that
//       cannot be saved are left out, each told on standard error with its reason.
//   siteloom --export LISTFILE --format bookmarks|csv --output FILE
//       the list file, loaded as --build loads it, written as a bookmarks file or as CSV.
// The exit status is 0 when done (for --import: at least one entry written), 1 after a message on
// standard error, 2 for a usage error. nullopt when the arguments ask for neither.
[[nodiscard]] std::optional<int> runTransfer(int argc, char* argv[], const QStringList& arguments);

// The lines of the help that describe them.
[[nodiscard]] QString transferUsage();

} // namespace siteloom
