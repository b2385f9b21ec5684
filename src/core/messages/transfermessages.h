#pragma once

#include <QString>

namespace siteloom {

struct FileError;
struct HoldBack;
struct ImportSourceError;
struct LinkImport;
struct ListFileSaveError;

// The messages of importing and exporting, worded in one place for the import window, the main
// window's export and the command line, which writes them to standard error. QtCore only.

// Why a file to import from was not read.
[[nodiscard]] QString importSourceProblemMessage(const ImportSourceError& error);
// What a path to import from names when it is not a regular file, which is never read: a FIFO would
// wait for a writer and a device might never end.
enum class NotRegularFile { Directory, Fifo, Device, Other };
// The path (native form) to import from is not a regular file.
[[nodiscard]] QString importSourceNotRegularMessage(const QString& path, NotRegularFile kind);
// Why an imported entry is held back, as the preview's note shows it; empty when it is not.
[[nodiscard]] QString holdBackNote(const HoldBack& holdBack);
// Links that were left out because they are not web addresses (javascript:, place:, file: ...).
[[nodiscard]] QString skippedLinksNote(int skipped);
// A bookmark folder that the file does not have.
[[nodiscard]] QString noSuchFolderMessage(const QString& folder);
// The export at this path (native form) could not be written.
[[nodiscard]] QString exportNotWrittenMessage(const FileError& error);
// The export at this path (native form) would replace the list file it is made from: nothing is
// written.
[[nodiscard]] QString exportWouldReplaceListFileMessage(const QString& path);
// The list file at this path (native form) has no entries: nothing to check or export.
[[nodiscard]] QString listFileHasNoEntriesMessage(const QString& path);
// The import would write the list file at this path (native form), where a file (or a symbolic
// link) already stands: nothing is written over it.
[[nodiscard]] QString importedListExistsMessage(const QString& path);
// None of the imported entries can go into a list file.
[[nodiscard]] QString importedListEmptyMessage();
// The imported list file at this path (native form) was not written, and why.
[[nodiscard]] QString importedListNotSavedMessage(const QString& path, const ListFileSaveError& error);
// The link check's report could not be written to standard output, for the system's reason.
[[nodiscard]] QString checkReportNotWrittenMessage(const QString& reason);
// The export was written.
[[nodiscard]] QString exportWrittenMessage();

// Where a reading of bookmarks or pasted markup stopped short of its end, or lost an address, by a
// limit, or the lines of an edited page of ours that gave nothing; empty when it read everything.
[[nodiscard]] QString importCutNote(const LinkImport& import);

} // namespace siteloom
