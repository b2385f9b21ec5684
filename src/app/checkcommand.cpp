#include "checkcommand.h"

#include "checker/linkchecker.h"
#include "commandline.h"
#include "commandline_output.h"
#include "page/pageinputs.h"
#include "ui/ui.h"
#include "version/version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

int usageError(const QString& japanese, const QString& english)
{
    return usageErrorExit(japanese + u" / "_s + english);
}

} // namespace

bool isCheckCommand(const QStringList& arguments)
{
    for (const QString& argument : arguments.sliced(std::min<qsizetype>(1, arguments.size()))) {
        if (argument == "--"_L1)
            return false;
        if (argument == "--check"_L1 || argument.startsWith("--check="_L1))
            return true;
    }
    return false;
}

int runCheckCommand(int argc, char* argv[], const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption check(u"check"_s, QString(), u"FILE"_s);
    const QCommandLineOption json(u"json"_s);
    const QCommandLineOption timeout(u"timeout"_s, QString(), u"SECONDS"_s);
    const QCommandLineOption jobs(u"jobs"_s, QString(), u"N"_s);
    parser.addOptions({check, json, timeout, jobs});
    if (!parser.parse(arguments))
        return usageError(u"--check の指定が正しくありません。"_s, parser.errorText());
    if (parser.values(check).size() != 1 || parser.value(check).isEmpty() ||
        !parser.positionalArguments().isEmpty())
        return usageError(u"--check にはリストファイルを一つだけ指定してください。"_s,
                          u"--check takes one list file."_s);
    CheckOptions options;
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600)
            return usageError(u"--timeout には 3600 までの正の秒数を指定してください。"_s,
                              u"--timeout takes a number of seconds above 0, up to 3600."_s);
        options.timeoutMs = std::max(1, int(seconds * 1000));
    }
    if (parser.isSet(jobs)) {
        bool ok = false;
        options.jobs = parser.value(jobs).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > 64)
            return usageError(u"--jobs には 1 から 64 までの数を指定してください。"_s,
                              u"--jobs takes a number from 1 to 64."_s);
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"siteloom"_s);
    QCoreApplication::setApplicationVersion(QString::fromUtf16(programVersion));
    installJapaneseTranslation();

    PageInputs inputs;
    if (!loadListFileOrSay(parser.value(check), &inputs))
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
    QObject::connect(&checker, &LinkChecker::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    checker.start({inputs.entries, inputs.ownUrl, inputs.ownBanner});
    QCoreApplication::exec();

    const CheckResults& results = checker.results();
    const QByteArray output = parser.isSet(json) ? checkJson(results) : checkTable(results).toLocal8Bit();
    std::fwrite(output.constData(), 1, size_t(output.size()), stdout);
    std::fflush(stdout);
    return results.problemCount() == 0 ? exitDone : exitMessage;
}

} // namespace siteloom
