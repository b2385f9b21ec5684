#include "checkcommand.h"

#include "commandline_output.h"
#include "messages/transfermessages.h"
#include "page/pageinputs.h"
#include "text/systemreason.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

int runCheck(const QString& file, bool json, const CheckOptions& options)
{
    PageInputs inputs;
    if (!loadListFileWithEntriesOrSay(file, &inputs))
        return exitMessage;

    LinkChecker checker;
    checker.setOptions(options);
    if (isatty(fileno(stderr))) {
        const auto total = inputs.entries.size();
        QObject::connect(&checker, &LinkChecker::entryChecked, &checker, [&checker, total] {
            const QByteArray line = u"\r確認中 %1/%2"_s.arg(checker.checkedCount()).arg(total).toLocal8Bit();
            std::fputs(line.constData(), stderr);
            if (checker.checkedCount() == total)
                std::fputs("\n", stderr);
            std::fflush(stderr);
        });
    }
    QObject::connect(&checker, &LinkChecker::finished, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    checker.start({inputs.entries, inputs.ownUrl, inputs.ownBanner});
    QCoreApplication::exec();

    const CheckResults& results = checker.results();
    // A report that does not reach its reader (a full disk, a closed pipe) is a failure: the exit
    // status must not say the links are well when nobody saw the report. The JSON is written as it
    // is made, never held whole.
    std::signal(SIGPIPE, SIG_IGN);
    errno = 0;
    const auto print = [](QByteArrayView bytes) {
        return std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    };
    if (!(json ? writeCheckJson(results, print) : print(checkTable(results).toLocal8Bit())) ||
        std::fflush(stdout) != 0) {
        writeLine(stderr, checkReportNotWrittenMessage(systemReason(errno != 0 ? errno : EIO)));
        return exitMessage;
    }
    return results.problemCount() == 0 ? exitDone : exitMessage;
}

} // namespace siteloom
