#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace siteloom {

// The words a visitor reads on a page, with what changes without anyone writing anything taken out:
// markup (so a rotating advertisement's image and its address), scripts and styles, numbers (access
// counters, today's date, a calendar's days), the names of months and weekdays, and spaces. Two
// pages with the same words give the same text.
[[nodiscard]] QString visibleWords(QStringView html);

// A short, fixed-length fingerprint of visibleWords (hexadecimal SHA-1), kept between checks.
[[nodiscard]] QByteArray pageFingerprint(QStringView html);

} // namespace siteloom
