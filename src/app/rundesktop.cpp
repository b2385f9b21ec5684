#include "application.h"
#include "checkcommand.h"
#include "commandline.h"
#include "commandline_output.h"
#include "publish/keyring.h"
#include "publishcommand.h"
#include "updatescommand.h"

#include <QCoreApplication>

namespace siteloom {

int runDesktopProgram(int argc, char* argv[])
{
    return runGuarded(
        [](int argc, char* argv[]) {
            const CommandLine commandLine = readCommandLine(argc, argv);
            if (!runsInDesktopProgram(commandLine.mode))
                return runFileCommand(argc, argv, commandLine);
            if (commandLine.mode == CommandLine::Mode::Window)
                return runWindow(argc, argv, commandLine.file);

            const QCoreApplication app(argc, argv);
            prepareHeadlessApplication();
            if (commandLine.mode == CommandLine::Mode::Check)
                return runCheck(commandLine.file, commandLine.json, withLimits(CheckOptions(), commandLine));
            if (commandLine.mode == CommandLine::Mode::Updates)
                return runUpdates(commandLine.file, commandLine.json,
                                  withLimits(UpdateOptions(), commandLine), commandLine.updatesPage);
            PublishOptions options = commandLine.publish; // the one mode left
            options.file = commandLine.file;
            options.directory = commandLine.directory;
            return runPublish(options, *desktopKeyring());
        },
        argc, argv);
}

} // namespace siteloom
