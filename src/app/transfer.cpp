#include "transfer.h"

#include "application.h"
#include "commandline_output.h"
#include "messages/transfermessages.h"
#include "importing/exporting.h"
#include "importing/holdback.h"
#include "importing/importsource.h"
#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "messages/messages.h"
#include "ui/ui.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

int usageError(const QString& japanese, const QString& english)
{
    writeLine(stderr, u"siteloom: "_s + japanese + u" / "_s + english);
    writeLine(stderr, u"使い方は siteloom --help で表示されます。 / See siteloom --help for usage."_s);
    return exitUsage;
}

int importList(const QString& source, const QString& output, const std::optional<QString>& folder)
{
    const QString listPath = QFileInfo(output).absoluteFilePath();
    if (QFileInfo::exists(listPath)) {
        writeLine(stderr, u"リストファイルがすでにあります。上書きはしません。\n%1"_s.arg(
                              QDir::toNativeSeparators(listPath)));
        return exitMessage;
    }
    ImportSource read;
    ImportSourceError readError;
    if (!readImportSource(QFileInfo(source).absoluteFilePath(), &read, &readError)) {
        writeLine(stderr, importSourceProblemMessage(readError));
        return exitMessage;
    }
    if (folder && read.kind == ImportSource::Page)
        return usageError(u"--folder はブックマークファイルにだけ使えます。"_s,
                          u"--folder goes with a bookmarks file only."_s);
    if (folder && !read.links.folders.contains(*folder)) {
        writeLine(stderr, noSuchFolderMessage(*folder));
        return exitMessage;
    }

    int skipped = 0;
    const QList<LinkEntry> entries = importedEntries(read.links, folder.value_or(QString()), &skipped);
    if (skipped > 0)
        writeLine(stderr, skippedLinksNote(skipped));
    const QList<HoldBack> holdBacks = checkImportedEntries(entries, {});
    PageInputs inputs = read.kind == ImportSource::Page ? read.page : PageInputs();
    inputs.entries.clear();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (holdBacks[i].reason == HoldBack::None)
            inputs.entries.append(composeEntry(entries[i]));
        else
            writeLine(stderr,
                      u"%1番目（%2）: %3"_s.arg(i + 1).arg(entries[i].siteUrl, holdBackNote(holdBacks[i])));
    }
    if (inputs.entries.isEmpty()) {
        writeLine(stderr, u"リストファイルに書ける項目がありません。"_s);
        return exitMessage;
    }
    ListFileSaveError saveError;
    if (!saveListFile(listPath, inputs, &saveError)) {
        writeLine(
            stderr,
            saveError.unencodable || saveError.readsAsUtf8
                ? u"リストファイルに書けない文字があります。\n%1"_s.arg(QDir::toNativeSeparators(listPath))
                : fileProblemMessage(u"リストファイルを書き込めませんでした。"_s, saveError.file));
        return exitMessage;
    }
    writeLine(stdout, QDir::toNativeSeparators(listPath));
    return exitDone;
}

int exportList(const QString& listFile, ExportFormat format, const QString& output)
{
    PageInputs inputs;
    if (!loadListFileOrSay(listFile, &inputs))
        return exitMessage;
    const QString outputPath = QFileInfo(output).absoluteFilePath();
    FileError writeError;
    if (!saveExport(outputPath, inputs, format, &writeError)) {
        writeLine(stderr, exportNotWrittenMessage(writeError));
        return exitMessage;
    }
    writeLine(stdout, QDir::toNativeSeparators(outputPath));
    return exitDone;
}

} // namespace

QString transferUsage()
{
    return u"  siteloom --import SOURCE --output LISTFILE [--folder PATH]\n"
           u"  siteloom --export LISTFILE --format bookmarks|csv --output FILE\n"_s;
}

std::optional<int> runTransfer(int argc, char* argv[], const QStringList& arguments)
{
    const auto asks = [&](QStringView option) {
        return std::any_of(arguments.begin() + 1, arguments.end(), [&](const QString& argument) {
            return argument == option || argument.startsWith(option.toString() + u'=');
        });
    };
    const bool importing = asks(u"--import");
    const bool exporting = asks(u"--export");
    if (!importing && !exporting)
        return std::nullopt;

    const QCoreApplication app(argc, argv);
    installJapaneseTranslation();
    QCommandLineParser parser;
    const QCommandLineOption importOption(u"import"_s, QString(), u"SOURCE"_s);
    const QCommandLineOption exportOption(u"export"_s, QString(), u"LISTFILE"_s);
    const QCommandLineOption outputOption(u"output"_s, QString(), u"FILE"_s);
    const QCommandLineOption folderOption(u"folder"_s, QString(), u"PATH"_s);
    const QCommandLineOption formatOption(u"format"_s, QString(), u"FORMAT"_s);
    parser.addOptions({importOption, exportOption, outputOption, folderOption, formatOption});
    if (!parser.parse(arguments))
        return usageError(u"コマンドラインの指定が正しくありません。"_s, parser.errorText());
    for (const QCommandLineOption* option :
         {&importOption, &exportOption, &outputOption, &folderOption, &formatOption}) {
        if (parser.values(*option).size() > 1 || (parser.isSet(*option) && parser.value(*option).isEmpty()))
            return usageError(u"--%1 は一度だけ、値をつけて指定してください。"_s.arg(option->names().first()),
                              u"Give --%1 once, with a value."_s.arg(option->names().first()));
    }
    if (importing && exporting)
        return usageError(u"--import と --export は一緒に使えません。"_s,
                          u"--import and --export go alone."_s);
    if (!parser.positionalArguments().isEmpty())
        return usageError(u"「%1」は余分です。"_s.arg(parser.positionalArguments().first()),
                          u"\"%1\" is one too many."_s.arg(parser.positionalArguments().first()));
    if (!parser.isSet(outputOption))
        return usageError(u"--output で書き出すファイルを指定してください。"_s, u"--output is needed."_s);

    if (importing) {
        if (parser.isSet(formatOption))
            return usageError(u"--format は --export と一緒に使います。"_s,
                              u"--format goes with --export."_s);
        const std::optional<QString> folder =
            parser.isSet(folderOption) ? std::optional<QString>(parser.value(folderOption)) : std::nullopt;
        return importList(parser.value(importOption), parser.value(outputOption), folder);
    }
    if (parser.isSet(folderOption))
        return usageError(u"--folder は --import と一緒に使います。"_s, u"--folder goes with --import."_s);
    const QString format = parser.value(formatOption);
    if (format != u"bookmarks" && format != u"csv")
        return usageError(u"--format には bookmarks か csv を指定してください。"_s,
                          u"--format is bookmarks or csv."_s);
    return exportList(parser.value(exportOption),
                      format == u"csv" ? ExportFormat::Csv : ExportFormat::Bookmarks,
                      parser.value(outputOption));
}

} // namespace siteloom
