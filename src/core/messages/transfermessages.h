#pragma once

#include <QString>

namespace siteloom {

struct FileError;
struct HoldBack;
struct ImportSourceError;
struct LinkImport;

// The messages of importing and exporting, worded in one place for the import window, the main
// window's export and the command line, which writes them to standard error. QtCore only.

// Why a file to import from was not read.
[[nodiscard]] QString importSourceProblemMessage(const ImportSourceError& error);
// Why an imported entry is held back, as the preview's note shows it; empty when it is not.
[[nodiscard]] QString holdBackNote(const HoldBack& holdBack);
// Links that were left out because they are not web addresses (javascript:, place:, file: ...).
[[nodiscard]] QString skippedLinksNote(int skipped);
// A bookmark folder that the file does not have.
[[nodiscard]] QString noSuchFolderMessage(const QString& folder);
// The export at this path (native form) could not be written.
[[nodiscard]] QString exportNotWrittenMessage(const FileError& error);
// The export was written.
[[nodiscard]] QString exportWrittenMessage();
// Where a reading of bookmarks or pasted markup stopped short of its end, or lost an address, by a
// limit; empty when it read everything.
[[nodiscard]] QString importCutNote(const LinkImport& import);

} // namespace siteloom
