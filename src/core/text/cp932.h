#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Windows-31J (CP932), the Japanese Windows code page, with Microsoft's mapping table.
//
// The conversion is ICU's, as Qt's QStringEncoder/QStringDecoder give it, read into tables when the
// program is built and looked up; this module corrects the few places where ICU's table differs from the one
// Windows uses and turns every character the code page cannot hold into an HTML numeric character
// reference.
namespace siteloom::cp932 {

// True when this Qt can convert Windows-31J (Qt must be built with ICU). Without it encode()
// still writes valid output, ASCII as it is and everything else as character references, and
// decode() returns nullopt for everything.
[[nodiscard]] bool isAvailable();

// Encodes text as Windows-31J. A character the code page cannot hold is written as "&#N;",
// N being the decimal Unicode code point (a surrogate pair is one code point, a lone surrogate
// gives its own value). U+301C, U+2016, U+2212, U+00A2, U+00A3 and U+00AC are written as the
// code page's look-alikes U+FF5E, U+2225, U+FF0D, U+FFE0, U+FFE1 and U+FFE2, as Windows does, and
// U+2014 (EM DASH) as 0x815C, which decode() reads as U+2015 (HORIZONTAL BAR).
// *referenced (if given) tells whether any character was written as a reference.
[[nodiscard]] QByteArray encode(QStringView text, bool* referenced = nullptr);

// Index of the first character encode() has to write as a character reference, or -1.
[[nodiscard]] qsizetype firstUnencodable(QStringView text);

// Decodes Windows-31J bytes, or nullopt if they are not valid Windows-31J (including a lead
// byte without its trail byte at the end).
[[nodiscard]] std::optional<QString> decode(QByteArrayView bytes);

// Where bytes stop coming back as they are through decode() and encode(): looking a character at a
// time from `from`, the index of the first byte that decode() refuses, or that starts a character
// encode() writes otherwise (one the code page holds twice), or of a NUL, CR or LF, or of the two-byte character stopPair (a lead byte and a trail byte, so that it
// is found where a character starts); bytes.size() when every byte comes back. Without the tables
// (see isAvailable) nothing comes back: it returns `from`.
[[nodiscard]] qsizetype comesBackEnd(QByteArrayView bytes, qsizetype from, quint16 stopPair);

} // namespace siteloom::cp932
