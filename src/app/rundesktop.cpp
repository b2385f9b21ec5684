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
            switch (commandLine.mode) {
            case CommandLine::Mode::Check:
                return runCheck(commandLine.file, commandLine.json, commandLine.check);
            case CommandLine::Mode::Updates:
                return runUpdates(commandLine.file, commandLine.json, commandLine.updates,
                                  commandLine.updatesPage);
            case CommandLine::Mode::Publish: {
                PublishOptions options = commandLine.publish;
                options.file = commandLine.file;
                options.directory = commandLine.directory;
                return runPublish(options, *desktopKeyring());
            }
            case CommandLine::Mode::Window:
            case CommandLine::Mode::Build:
            case CommandLine::Mode::Import:
            case CommandLine::Mode::Export:
            case CommandLine::Mode::Help:
            case CommandLine::Mode::Version:
            case CommandLine::Mode::UsageError:
                break;
            }
            return exitMessage;
        },
        argc, argv);
}

} // namespace siteloom
