#pragma once

#include <QString>
#include <QStringView>

namespace siteloom {

// One field of a CSV line as spreadsheets read it (RFC 4180): as it is, or in double quotes with
// its own quotes doubled when it holds a comma or a quote. Control characters (C0, line breaks and
// tabs among them, DEL and C1) are dropped, and a field that would begin a formula ("=", "+", "-"
// or "@") begins with an apostrophe, so that opening the file runs nothing.
[[nodiscard]] QString csvField(QStringView field);

} // namespace siteloom
