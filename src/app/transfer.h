#pragma once

#include "importing/exporting.h"

#include <QString>

#include <optional>

namespace siteloom {

// The command line's ways of getting links in and out, without a window. Each gives the exit
// status: 0 when done, 1 after a message on standard error, 2 for a usage error.

// siteloom --import SOURCE --output LISTFILE [--folder PATH]: a new list file from a bookmarks file
// (start values for the page options) or from a page this tool wrote (its options too). An
// existing LISTFILE is never replaced. Entries that cannot be saved are left out, each told on
// standard error with its reason; done means at least one entry written.
[[nodiscard]] int runImport(const QString& source, const QString& output,
                            const std::optional<QString>& folder);

// siteloom --export LISTFILE --format bookmarks|csv|opml --output FILE: the list file, loaded as
// --build loads it, written as a bookmarks file, as CSV or, for the partners
// whose feeds the update check found, as OPML for feed readers.
[[nodiscard]] int runExport(const QString& listFile, ExportFormat format, const QString& output);

} // namespace siteloom
