#pragma once

#include <QString>
#include <QStringView>

namespace siteloom {

// One field of a CSV line as spreadsheets read it (RFC 4180): as it is, or in double quotes with
// its own quotes doubled when it holds a comma, a quote or a line break.
[[nodiscard]] QString csvField(QStringView field);

} // namespace siteloom
