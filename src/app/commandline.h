#pragma once

#include <QString>

namespace siteloom {

// Runs the program as its command line asks and returns the exit status:
//   siteloom                                  the window
//   siteloom FILE                             the window, with FILE loaded as "ファイル読込" loads it
//   siteloom --build FILE [--directory DIR]   the page from FILE, written into DIR without a window
//   siteloom --check FILE [--json] ...        the links of FILE checked (checkcommand.h)
//   siteloom --import ... | --export ...     links in and out (transfer.h)
//   siteloom --help | --version
// Building, the help, the version and usage errors run on a QCoreApplication: they need no display
// and create no widget. A usage error exits with 2. Running out of memory, or a display that cannot be
// reached, ends with the tool's own message on standard error and exit status 1.
[[nodiscard]] int runSiteloom(int argc, char* argv[]);

} // namespace siteloom

namespace siteloom {

// Says what is wrong with the command line and where the help is, on standard error; gives 2.
[[nodiscard]] int usageErrorExit(const QString& reason);

} // namespace siteloom
