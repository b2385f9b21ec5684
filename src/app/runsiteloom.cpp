#include "buildcommand.h"
#include "commandline.h"
#include "commandline_output.h"
#include "transfer.h"
#include "version/version.h"

#include <QCoreApplication>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// Where the desktop program lies: beside this one in a build, else where the package puts it.
QByteArray desktopProgramPath()
{
    char self[PATH_MAX + 1];
    const ssize_t length = ::readlink("/proc/self/exe", self, PATH_MAX);
    if (length <= 0)
        return {};
    QByteArray directory(self, length);
    directory.truncate(directory.lastIndexOf('/') + 1);
    for (const char* relative : {"siteloom-desktop", SITELOOM_DESKTOP_PROGRAM_FROM_BIN}) {
        const QByteArray path = directory + relative;
        if (::access(path.constData(), X_OK) == 0)
            return path;
    }
    return {};
}

// Hands the command line, as given, to the desktop program, which takes this process's place; returns
// only when it cannot.
int runInDesktopProgram(char* argv[])
{
    const QByteArray path = desktopProgramPath();
    if (!path.isEmpty())
        ::execv(path.constData(), argv);
    const int error = path.isEmpty() ? ENOENT : errno;
    std::fprintf(stderr,
                 "siteloom: siteloom-desktop を起動できません（%s）。インストールし直してください。\n",
                 std::strerror(error));
    return exitMessage;
}

} // namespace

bool runsInDesktopProgram(CommandLine::Mode mode)
{
    switch (mode) {
    case CommandLine::Mode::Window:
    case CommandLine::Mode::Check:
    case CommandLine::Mode::Updates:
    case CommandLine::Mode::Publish:
        return true;
    case CommandLine::Mode::Build:
    case CommandLine::Mode::Import:
    case CommandLine::Mode::Export:
    case CommandLine::Mode::Help:
    case CommandLine::Mode::Version:
    case CommandLine::Mode::UsageError:
        break;
    }
    return false;
}

CommandLine readCommandLine(int argc, char* argv[])
{
    ignoreFileSizeSignal();
    // Read before any application object exists: only the window may have a GUI application.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return parseCommandLine(arguments);
}

int runFileCommand(int argc, char* argv[], const CommandLine& commandLine)
{
    const QCoreApplication app(argc, argv);
    prepareHeadlessApplication();
    using Mode = CommandLine::Mode;
    if (commandLine.mode == Mode::Build)
        return runBuild(commandLine.file, commandLine.directory);
    if (commandLine.mode == Mode::Import)
        return runImport(commandLine.file, commandLine.output, commandLine.folder);
    if (commandLine.mode == Mode::Export)
        return runExport(commandLine.file, commandLine.format, commandLine.output);
    if (commandLine.mode == Mode::Help) {
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return exitDone;
    }
    if (commandLine.mode == Mode::Version) {
        writeLine(stdout, u"siteloom "_s + QString::fromUtf16(programVersion));
        return exitDone;
    }
    return usageErrorExit(commandLine.error);
}

int runGuarded(int (*run)(int argc, char* argv[]), int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        // What ran out of memory is unwound and freed by now; the message needs no memory of its own.
        std::fputs("siteloom: メモリが足りなくなったため、中止しました。\n", stderr);
        return exitMessage;
    }
}

int runSiteloom(int argc, char* argv[])
{
    return runGuarded(
        [](int argc, char* argv[]) {
            const CommandLine commandLine = readCommandLine(argc, argv);
            if (runsInDesktopProgram(commandLine.mode))
                return runInDesktopProgram(argv);
            return runFileCommand(argc, argv, commandLine);
        },
        argc, argv);
}

} // namespace siteloom
