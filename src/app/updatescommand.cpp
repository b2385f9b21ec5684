#include "updatescommand.h"

#include "commandline_output.h"
#include "linkentry/linkentry.h"
#include "messages/transfermessages.h"
#include "messages/updatemessages.h"
#include "page/linkpage.h"
#include "page/pageinputs.h"
#include "text/systemreason.h"
#include "text/textfile.h"
#include "weburl/weburl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

int runUpdates(const QString& file, bool json, const UpdateOptions& options, const QString& pageFile)
{
    PageInputs inputs;
    if (!loadListFileWithEntriesOrSay(file, &inputs))
        return exitMessage;
    // Beside the link page and the list, never in their place.
    const QString pagePath = pageFile.isEmpty() ? QString() : QFileInfo(pageFile).absoluteFilePath();
    if (!pagePath.isEmpty() &&
        (isSameFile(pagePath, QFileInfo(file).absoluteFilePath()) ||
         isSameFile(pagePath,
                    QFileInfo(pageFilePath(QDir::currentPath(), inputs.fileName)).absoluteFilePath()))) {
        writeLine(stderr, exportWouldReplaceListFileMessage(QDir::toNativeSeparators(pagePath)));
        return exitMessage;
    }

    UpdateChecker checker;
    checker.setOptions(options);
    if (isatty(fileno(stderr))) {
        const auto total = int(inputs.entries.size());
        QObject::connect(&checker, &UpdateChecker::entryChecked, &checker, [&checker, total] {
            std::fputs(("\r" + updatesProgressText(checker.checkedCount(), total)).toLocal8Bit().constData(),
                       stderr);
            if (checker.checkedCount() == total)
                std::fputs("\n", stderr);
            std::fflush(stderr);
        });
    }
    QObject::connect(&checker, &UpdateChecker::finished, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);
    checker.start(inputs.entries);
    QCoreApplication::exec();

    // The check ran: a state that could not be kept only makes the next check's sites new, which the
    // user is told.
    int status = exitDone;
    if (!checker.stateWritten())
        writeLine(stderr, updateStateNotWrittenMessage(checker.stateError()));
    const QList<UpdateResult>& results = checker.results();
    if (!pagePath.isEmpty()) {
        FileError error;
        if (!writeTextFile(
                pagePath, [&](LineWriter& writer) { writeUpdatesPage(results, updatesPageTitle(), writer); },
                &error)) {
            writeLine(stderr, updatesPageNotWrittenMessage(error));
            status = exitMessage;
        }
    }
    // A report that does not reach its reader (a full disk, a closed pipe) is a failure.
    std::signal(SIGPIPE, SIG_IGN);
    errno = 0;
    const auto print = [](QByteArrayView bytes) {
        return std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    };
    if (!(json ? writeUpdatesJson(results, print) : print(updatesTable(results).toLocal8Bit())) ||
        std::fflush(stdout) != 0) {
        writeLine(stderr, updatesReportNotWrittenMessage(systemReason(errno != 0 ? errno : EIO)));
        return exitMessage;
    }
    return status;
}

} // namespace siteloom
