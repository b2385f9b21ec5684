#pragma once

#include "linkcheck/checkresult.h"
#include "text/textfile.h"

namespace siteloom {

// The rows checked, as the window shows them, as CSV lines (RFC 4180 quoting) after a heading line
// that begins with a byte-order mark, so that spreadsheets open the file as UTF-8. A check of some
// of the list's entries numbers each by its row in the list (0-based, one per result), as the
// window does.
void writeCheckCsv(const CheckResults& results, LineWriter& writer, const QList<int>& listRows = {});

// Writes them as UTF-8 with CR LF line ends, atomically like every file of the tool.
[[nodiscard]] bool saveCheckCsv(const QString& path, const CheckResults& results, FileError* error,
                                const QList<int>& listRows = {});

} // namespace siteloom
