#include "checkcommand.h"

#include "commandline_output.h"
#include "page/pageinputs.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

int runCheck(const QString& file, bool json, const CheckOptions& options)
{
    PageInputs inputs;
    if (!loadListFileOrSay(file, &inputs))
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
    const QByteArray output = json ? checkJson(results) : checkTable(results).toLocal8Bit();
    std::fwrite(output.constData(), 1, size_t(output.size()), stdout);
    std::fflush(stdout);
    return results.problemCount() == 0 ? exitDone : exitMessage;
}

} // namespace siteloom
