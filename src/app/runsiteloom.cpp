#include "application.h"
#include "buildcommand.h"
#include "checkcommand.h"
#include "commandline.h"
#include "commandline_output.h"
#include "publish/keyring.h"
#include "publishcommand.h"
#include "transfer.h"
#include "updatescommand.h"
#include "version/version.h"

#include <QCoreApplication>

#include <cstdio>
#include <new>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

int run(int argc, char* argv[])
{
    ignoreFileSizeSignal();
    // Read before any application object exists: only the window may have a GUI application.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine = parseCommandLine(arguments);
    if (commandLine.mode == CommandLine::Mode::Window)
        return runWindow(argc, argv, commandLine.file);

    const QCoreApplication app(argc, argv);
    prepareHeadlessApplication();
    switch (commandLine.mode) {
    case CommandLine::Mode::Build:
        return runBuild(commandLine.file, commandLine.directory);
    case CommandLine::Mode::Import:
        return runImport(commandLine.file, commandLine.output, commandLine.folder);
    case CommandLine::Mode::Export:
        return runExport(commandLine.file, commandLine.format, commandLine.output);
    case CommandLine::Mode::Check:
        return runCheck(commandLine.file, commandLine.json, commandLine.check);
    case CommandLine::Mode::Updates:
        return runUpdates(commandLine.file, commandLine.json, commandLine.updates, commandLine.updatesPage);
    case CommandLine::Mode::Publish: {
        PublishOptions options = commandLine.publish;
        options.file = commandLine.file;
        options.directory = commandLine.directory;
        return runPublish(options, *desktopKeyring());
    }
    case CommandLine::Mode::Help:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return exitDone;
    case CommandLine::Mode::Version:
        writeLine(stdout, u"siteloom "_s + QString::fromUtf16(programVersion));
        return exitDone;
    case CommandLine::Mode::UsageError:
    case CommandLine::Mode::Window:
        break;
    }
    return usageErrorExit(commandLine.error);
}

} // namespace

int runSiteloom(int argc, char* argv[])
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        // What ran out of memory is unwound and freed by now; the message needs no memory of its own.
        std::fputs("siteloom: メモリが足りなくなったため、中止しました。\n", stderr);
        return exitMessage;
    }
}

} // namespace siteloom
