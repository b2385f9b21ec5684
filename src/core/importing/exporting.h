#pragma once

#include "page/pageinputs.h"
#include "text/textfile.h"

#include <QString>

namespace siteloom {

enum class ExportFormat {
    Bookmarks, // the bookmarks file browsers import: one folder named after the page title
    Csv,       // UTF-8 with a byte-order mark, one row per entry: banner URL, name, site URL
    Opml,      // the partners' feeds the update check found, for feed readers (the command line's)
};

// The lines of the export of the list (UTF-8 text).
void writeBookmarksHtml(const PageInputs& inputs, LineWriter& writer);
void writeCsv(const PageInputs& inputs, LineWriter& writer);

// Writes the export as UTF-8 with CR LF line ends, atomically like every file of the tool.
[[nodiscard]] bool saveExport(const QString& path, const PageInputs& inputs, ExportFormat format,
                              FileError* error);

} // namespace siteloom
