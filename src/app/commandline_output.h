#pragma once

#include "page/pageinputs.h"

#include <QString>

#include <cstdio>

class QTranslator;

namespace siteloom {

// What every way of running without a window shares: the set-up, the exit statuses, a line on
// standard output or error, and the list file loaded as "ファイル読込" loads it.

inline constexpr int exitDone = 0;
inline constexpr int exitMessage = 1; // the window would have shown a message; it went to standard error
inline constexpr int exitUsage = 2;

// A write beyond the file size limit (ulimit -f) raises SIGXFSZ, which ends the process without a
// word. Ignored, the write fails with EFBIG instead and is reported like any failed write, the file
// it was to replace kept. Set at the start of every run, window or command line.
void ignoreFileSizeSignal();

// Loads Qt's own Japanese translation (the reasons Qt gives for a file that cannot be read or
// written, the window's dialog buttons) whatever the locale says; false when it is not there.
bool loadQtJapanese(QTranslator* translator);
// Loads it and installs it. Needs the application object.
void installJapaneseTranslation();

// What every mode without a window sets on its QCoreApplication before it starts: the tool's name
// and version, and Qt's Japanese.
void prepareHeadlessApplication();

// The text and a line end, in the locale's encoding, flushed at once.
void writeLine(FILE* stream, const QString& text);

// Loads the list file (a relative name taken from the current directory) onto the window's start
// values as "ファイル読込" does. A load that does not end with "読込み完了" writes that message to
// standard error and gives false.
[[nodiscard]] bool loadListFileOrSay(const QString& file, PageInputs* inputs);
// The same for a mode that works on the entries: a list without any (an empty list, a file that
// is no list file) is said so on standard error too, and gives false.
[[nodiscard]] bool loadListFileWithEntriesOrSay(const QString& file, PageInputs* inputs);

} // namespace siteloom
