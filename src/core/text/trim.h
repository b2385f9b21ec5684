#pragma once

#include <QString>
#include <QStringView>

namespace siteloom {

// Removes leading and trailing blanks: the ASCII space U+0020 and the ideographic space U+3000,
// nothing else (tabs and other white space stay, as they were typed).
[[nodiscard]] QString trimBlanks(QStringView text);

// The control characters, which show nothing and which a terminal may take for the start of a
// command: C0 (tab and line breaks among them), DEL and C1. Text taken in from elsewhere drops them,
// and text sent out drops them or shows them escaped.
[[nodiscard]] constexpr bool isControlCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace siteloom
