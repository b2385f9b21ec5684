#pragma once

#include "checker/linkchecker.h"
#include "importing/exporting.h"
#include "publishcommand.h"
#include "updates/updatechecker.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace siteloom {

// What the command line asks for, read once from the arguments before any application object
// exists (only the window may have a GUI application):
//   siteloom                                  the window
//   siteloom FILE                             the window, with FILE loaded as "ファイル読込" loads it
//   siteloom --build FILE [--directory DIR]   the page from FILE, written into DIR without a window
//   siteloom --import SOURCE --output LISTFILE [--folder PATH]
//   siteloom --export LISTFILE --format bookmarks|csv|opml --output FILE
//   siteloom --check FILE [--json] [--timeout SECONDS] [--jobs N]
//   siteloom --updates LISTFILE [--json] [--timeout SECONDS] [--jobs N] [--updates-page FILE]
//   siteloom --publish LISTFILE [--directory DIR] [--to ADDRESS] [--public-url URL] [--dry-run] [--force]
//   siteloom --help | --version
// A mode is one value of Mode and the fields it names; a new mode adds both, its options to the
// table in commandline.cpp and its line to the help.
struct CommandLine
{
    enum class Mode { Window, Build, Import, Export, Check, Updates, Publish, Help, Version, UsageError };
    Mode mode = Mode::Window;

    // Window: the list file to open (empty for none). Build, Export, Check, Updates: the list file read.
    // Import: the bookmarks file or page read. As given.
    QString file;
    QString directory;                       // Build: --directory as given; null when not given
    QString output;                          // Import, Export: --output as given
    std::optional<QString> folder;           // Import: --folder
    ExportFormat format = ExportFormat::Csv; // Export
    bool json = false;                       // Check, Updates: --json
    std::optional<int> timeoutMs;            // Check, Updates: --timeout, in milliseconds, when given
    std::optional<int> jobs;                 // Check, Updates: --jobs, when given
    QString updatesPage;                     // Updates: --updates-page as given; empty when not given
    PublishOptions publish;                  // Publish: all but the list file and --directory
    QString error;                           // UsageError: what is wrong, in Japanese and English
};

// Reads the arguments (the program's name first). Never fails: what it cannot take is a UsageError.
[[nodiscard]] CommandLine parseCommandLine(const QStringList& arguments);

// The help: every mode and option, in Japanese and English.
[[nodiscard]] QString helpText();

// Says what is wrong with the command line and where the help is, on standard error; gives 2.
[[nodiscard]] int usageErrorExit(const QString& reason);

// The program is two: `siteloom` runs the modes that read and write files (--build, --import,
// --export, --help, --version) on QtCore alone, so that they start at once, and hands the window and
// the modes that go on the network to `siteloom-desktop`, which runs every mode.

// The options of a check (CheckOptions, UpdateOptions) with the command line's --timeout and --jobs
// where they are given.
template <typename Options> [[nodiscard]] Options withLimits(Options options, const CommandLine& commandLine)
{
    options.timeoutMs = commandLine.timeoutMs.value_or(options.timeoutMs);
    options.jobs = commandLine.jobs.value_or(options.jobs);
    return options;
}

// True for the modes only the desktop program runs.
[[nodiscard]] bool runsInDesktopProgram(CommandLine::Mode mode);

// The command line of this process, read before any application object exists (only the window may
// have a GUI application).
[[nodiscard]] CommandLine readCommandLine(int argc, char* argv[]);

// Runs a mode that reads and writes files, on a QCoreApplication, and returns the exit status; a usage
// error exits with 2.
[[nodiscard]] int runFileCommand(int argc, char* argv[], const CommandLine& commandLine);

// Runs one of the above, ending with the tool's own message on standard error and exit status 1
// when memory runs out.
[[nodiscard]] int runGuarded(int (*run)(int argc, char* argv[]), int argc, char* argv[]);

// `siteloom`: runs the program as its command line asks and returns the exit status, handing the
// desktop program's modes on to it (which takes this process's place). A usage error exits with 2.
[[nodiscard]] int runSiteloom(int argc, char* argv[]);

// `siteloom-desktop`: every mode. The headless ones run on a QCoreApplication: they need no display
// and create no widget. A display that cannot be reached ends with the tool's own message on standard
// error and exit status 1.
[[nodiscard]] int runDesktopProgram(int argc, char* argv[]);

} // namespace siteloom
