#pragma once

#include "page/pageinputs.h"

#include <QString>

#include <cstdio>

namespace siteloom {

// What every way of running without a window shares: the exit statuses, a line on standard output
// or error, and the list file loaded as "ファイル読込" loads it.

inline constexpr int exitDone = 0;
inline constexpr int exitMessage = 1; // the window would have shown a message; it went to standard error
inline constexpr int exitUsage = 2;

// The text and a line end, in the locale's encoding, flushed at once.
void writeLine(FILE* stream, const QString& text);

// Loads the list file (a relative name taken from the current directory) onto the window's start
// values as "ファイル読込" does. A load that does not end with "読込み完了" writes that message to
// standard error and gives false.
[[nodiscard]] bool loadListFileOrSay(const QString& file, PageInputs* inputs);

} // namespace siteloom
