#pragma once

#include <QString>

namespace siteloom {

class main1;

// The window's side of the program: the only part of src/app that makes a widget or includes a
// header of the windows. The modes without a window share commandline_output.h instead.

// What every window of the tool shares, set once on the application before the first window: its
// name, version, desktop id and icon, Qt's own texts and formats in Japanese, and the Japanese
// faces, with the desktop's user-interface font (or the Gothic at its size) for the windows.
void prepareApplication();

// Shows the main window and, once it is on screen, loads the list file named on the command line
// (none when empty) as "ファイル読込" loads it: the load's message needs the shown window as its parent
// to stand centred in front of it.
void showMainWindow(main1& window, const QString& listFile);

// Runs the window on a QApplication made from argc and argv, with FILE (none when empty) loaded, and
// gives the exit status. Without a display, or with one that cannot be reached, says so on standard
// error and gives 1.
[[nodiscard]] int runWindow(int argc, char* argv[], const QString& file);

} // namespace siteloom
