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
#include <utility>
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

// The entries of an import, held from the reading to the writing of the list: their names and site
// URLs end to end in one text, and a banner once for the run of entries that share it (every
// bookmark has the default one), so that a long import holds little more than its characters.
class HeldEntries
{
public:
    void append(const LinkEntry& entry)
    {
        if (m_banners.isEmpty() || m_banners.back() != entry.bannerUrl)
            m_banners.append(entry.bannerUrl);
        m_text += entry.siteName;
        m_text += entry.siteUrl;
        m_ends.push_back(Fields{m_text.size(), qint32(entry.siteName.size()), qint32(m_banners.size() - 1)});
    }

    [[nodiscard]] qsizetype size() const { return qsizetype(m_ends.size()); }

    [[nodiscard]] QString siteUrl(qsizetype i) const
    {
        const Fields& fields = m_ends[size_t(i)];
        const qsizetype url = start(i) + fields.nameSize;
        return m_text.sliced(url, fields.end - url);
    }

    [[nodiscard]] LinkEntry at(qsizetype i) const
    {
        const Fields& fields = m_ends[size_t(i)];
        return LinkEntry{m_banners[fields.banner], m_text.sliced(start(i), fields.nameSize), siteUrl(i)};
    }

private:
    struct Fields
    {
        qsizetype end;   // where the entry's site URL ends in m_text
        qint32 nameSize; // its name comes first
        qint32 banner;   // in m_banners
    };
    [[nodiscard]] qsizetype start(qsizetype i) const { return i == 0 ? 0 : m_ends[size_t(i - 1)].end; }

    QString m_text;
    std::vector<Fields> m_ends;
    QStringList m_banners;
};

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
    // Each link is checked as it is read, and only what the list needs of it is kept: the links
    // of a large file are never held all at once.
    HeldEntries entries;
    std::vector<qsizetype> accepted;
    std::vector<std::pair<qsizetype, HoldBack>> heldBack;
    int skipped = 0;
    const QString within = folder.value_or(QString());
    ImportedEntryCheck check({}, [&entries](qsizetype i) { return entries.siteUrl(i); });
    const auto take = [&](ImportedLink&& link) {
        if (!inFolder(link, within))
            return;
        if (link.skipped) {
            ++skipped;
            return;
        }
        const HoldBack holdBack = check.next(link.entry);
        if (holdBack.reason == HoldBack::None)
            accepted.push_back(entries.size());
        else
            heldBack.emplace_back(entries.size(), holdBack);
        entries.append(link.entry);
    };
    ImportSource read;
    ImportSourceError readError;
    if (!readImportSource(QFileInfo(source).absoluteFilePath(), &read, &readError, take)) {
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

    if (skipped > 0)
        writeLine(stderr, skippedLinksNote(skipped));
    if (const QString cut = importCutNote(read.links); !cut.isEmpty())
        writeLine(stderr, cut);
    for (const auto& [i, holdBack] : heldBack)
        writeLine(stderr, u"%1番目（%2）: %3"_s.arg(i + 1).arg(entries.siteUrl(i), holdBackNote(holdBack)));
    if (accepted.empty()) {
        writeLine(stderr, importedListEmptyMessage());
        return exitMessage;
    }
    PageInputs inputs = read.kind == ImportSource::Page ? std::move(read.page) : PageInputs();
    inputs.entries.clear();
    // The entries are put together one at a time as the list is written: held composed, each would
    // carry its own copy of the banner's address.
    ListFileSaveError saveError;
    if (!saveListFile(
            listPath, inputs, qsizetype(accepted.size()),
            [&](qsizetype k) { return composeEntry(entries.at(accepted[size_t(k)])); }, &saveError,
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
