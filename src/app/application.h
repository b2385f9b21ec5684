#pragma once

#include <QString>

namespace siteloom {

class main1;

// What every window of the tool shares, set once on the application before the first window: its
// name, version, desktop id and icon, Qt's own texts and formats in Japanese, and the Japanese
// faces, with the desktop's user-interface font (or the Gothic at its size) for the windows.
// Also ignores the file size limit's signal (see ignoreFileSizeSignal).
void prepareApplication();

// A write beyond the file size limit (ulimit -f) raises SIGXFSZ, which ends the process without a
// word. Ignored, the write fails with EFBIG instead and is reported like any failed write, the file
// it was to replace kept. Set at the start of every run, window or command line.
void ignoreFileSizeSignal();

// Shows the main window and, once it is on screen, loads the list file named on the command line
// (none when empty) as "ファイル読込" loads it: the load's message needs the shown window as its parent
// to stand centred in front of it.
void showMainWindow(main1& window, const QString& listFile);

} // namespace siteloom
