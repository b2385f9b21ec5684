#include "transfer.h"

#include "commandline.h"
#include "commandline_output.h"
#include "importing/exporting.h"
#include "importing/holdback.h"
#include "importing/importsource.h"
#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "messages/messages.h"
#include "messages/transfermessages.h"
#include "page/linkpage.h"
#include "updates/updateresult.h"
#include "updates/updatestate.h"
#include "weburl/weburl.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// siteloom --export LISTFILE --format opml --output FILE: the partners whose feeds the update check
// found, as OPML for feed readers.
int runOpmlExport(const QString& listFile, const QString& output)
{
    const QString outputPath = QFileInfo(output).absoluteFilePath();
    if (isSameFile(outputPath, QFileInfo(listFile).absoluteFilePath())) {
        writeLine(stderr, exportWouldReplaceListFileMessage(QDir::toNativeSeparators(outputPath)));
        return exitMessage;
    }
    PageInputs inputs;
    if (!loadListFileWithEntriesOrSay(listFile, &inputs))
        return exitMessage;
    const UpdateStates states = readUpdateStates(updateStatePath());
    QList<UpdateResult> results;
    for (const QString& line : inputs.entries) {
        const LinkEntryView entry = splitEntryView(line);
        UpdateResult result;
        result.index = int(results.size()) + 1;
        result.name = entry.siteName.toString();
        result.url = entry.siteUrl.trimmed().toString();
        result.feed = states.value(comparableUrl(result.url)).feed;
        results.append(result);
    }
    FileError error;
    if (!writeUtf8TextFile(
            outputPath, [&](LineWriter& writer) { writeOpml(results, pageTitle(inputs.title), writer); },
            &error)) {
        writeLine(stderr, exportNotWrittenMessage(error));
        return exitMessage;
    }
    writeLine(stdout, QDir::toNativeSeparators(outputPath));
    return exitDone;
}

} // namespace

int runImport(const QString& source, const QString& output, const std::optional<QString>& folder)
{
    const QString listPath = QFileInfo(output).absoluteFilePath();
    // Told before the source is read; the write itself never replaces anything either, should a file
    // appear meanwhile.
    if (QFileInfo::exists(listPath) || QFileInfo(listPath).isSymLink()) {
        writeLine(stderr, importedListExistsMessage(QDir::toNativeSeparators(listPath)));
        return exitMessage;
    }
    ImportSource read;
    ImportSourceError readError;
    if (!readImportSource(QFileInfo(source).absoluteFilePath(), &read, &readError)) {
        writeLine(stderr, importSourceProblemMessage(readError));
        return exitMessage;
    }
    if (folder && read.kind == ImportSource::Page)
        return usageErrorExit(u"--folder はブックマークファイルにだけ使えます。 / "
                              u"--folder goes with a bookmarks file only."_s);
    if (folder && !read.links.folders.contains(*folder)) {
        writeLine(stderr, noSuchFolderMessage(*folder));
        return exitMessage;
    }

    int skipped = 0;
    const QList<LinkEntry> entries = importedEntries(read.links, folder.value_or(QString()), &skipped);
    if (skipped > 0)
        writeLine(stderr, skippedLinksNote(skipped));
    if (const QString cut = importCutNote(read.links); !cut.isEmpty())
        writeLine(stderr, cut);
    read.links = LinkImport(); // the entries hold what is left of them
    const QList<HoldBack> holdBacks = checkImportedEntries(entries, {});
    PageInputs inputs = read.kind == ImportSource::Page ? std::move(read.page) : PageInputs();
    inputs.entries.clear();
    // The entries are put together one at a time as the list is written: held composed, each would
    // carry its own copy of the banner's address.
    std::vector<qsizetype> accepted;
    accepted.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (holdBacks[i].reason == HoldBack::None)
            accepted.push_back(i);
        else
            writeLine(stderr,
                      u"%1番目（%2）: %3"_s.arg(i + 1).arg(entries[i].siteUrl, holdBackNote(holdBacks[i])));
    }
    if (accepted.empty()) {
        writeLine(stderr, importedListEmptyMessage());
        return exitMessage;
    }
    ListFileSaveError saveError;
    if (!saveListFile(
            listPath, inputs, qsizetype(accepted.size()),
            [&](qsizetype k) { return composeEntry(entries[accepted[size_t(k)]]); }, &saveError,
            ExistingFile::Keep)) {
        writeLine(stderr, importedListNotSavedMessage(QDir::toNativeSeparators(listPath), saveError));
        return exitMessage;
    }
    writeLine(stdout, QDir::toNativeSeparators(listPath));
    return exitDone;
}

int runExport(const QString& listFile, ExportFormat format, const QString& output)
{
    // Never written over the list it reads: by its name, through a symbolic link or a hard link.
    const QString outputPath = QFileInfo(output).absoluteFilePath();
    if (isSameFile(outputPath, QFileInfo(listFile).absoluteFilePath())) {
        writeLine(stderr, exportWouldReplaceListFileMessage(QDir::toNativeSeparators(outputPath)));
        return exitMessage;
    }
    if (format == ExportFormat::Opml)
        return runOpmlExport(listFile, output);
    PageInputs inputs;
    if (!loadListFileWithEntriesOrSay(listFile, &inputs))
        return exitMessage;
    FileError writeError;
    if (!saveExport(outputPath, inputs, format, &writeError)) {
        writeLine(stderr, exportNotWrittenMessage(writeError));
        return exitMessage;
    }
    writeLine(stdout, QDir::toNativeSeparators(outputPath));
    return exitDone;
}

} // namespace siteloom
