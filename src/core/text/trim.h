#pragma once

#include <QString>
#include <QStringView>

namespace siteloom {

// Removes leading and trailing blanks: the ASCII space U+0020 and the ideographic space U+3000,
// nothing else (tabs and other white space stay, as they were typed).
[[nodiscard]] QString trimBlanks(QStringView text);

} // namespace siteloom
