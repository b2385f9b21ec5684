#pragma once

#include "page/pageinputs.h"
#include "page/pagemarkup.h"

#include <QString>
#include <QStringView>

#include <functional>

namespace siteloom {

struct FileError;

using pagemarkup::downloadPageUrl;

// The title the page carries: the typed title as it is (blanks around it included), or the default
// title when the typed one is empty after trimming. The window writes the result back into its
// title field.
[[nodiscard]] QString pageTitle(const QString& typedTitle);

// Where the page goes: the base directory, a "/" unless it already ends with one (an empty base
// directory gets it too, so the page goes to the root), and the file name trimmed of blanks.
[[nodiscard]] QString pageFilePath(const QString& baseDirectory, QStringView fileName);

// Whether a file written at `path` would replace the file at `other`: the same path once made
// absolute and cleaned, the same file once symbolic links are resolved, or the same file by its
// device and inode (a hard link). Used to keep the page off the list file it was made from.
[[nodiscard]] bool isSameFile(const QString& path, const QString& other);

// Produces the page's lines, without line ends, in order, one call of emitLine per line. The view
// passed is valid only during the call. Nothing is escaped: the inputs are written as typed, and
// each link entry is split into banner URL, site name and site URL (missing fields empty).
// The whole page is never held in memory.
void buildPage(const PageInputs& inputs, const std::function<void(QStringView)>& emitLine);

// The same with the entries' rows left to entryRows, which is called once, where they go, and
// writes them itself; inputs.entries is not looked at.
void buildPage(const PageInputs& inputs, const std::function<void(QStringView)>& emitLine,
               const std::function<void()>& entryRows);

// The lines of one link entry's rows, as buildPage writes them.
void buildEntryRows(QStringView entry, const std::function<void(QStringView)>& emitLine);

// Writes the page into the base directory as Windows-31J text with CR LF line ends, atomically: on
// failure an earlier file stays as it was and nothing half-written is left. *writtenPath (if given)
// receives the page's path in native form whether or not the write succeeds.
[[nodiscard]] bool writePageFile(const QString& baseDirectory, const PageInputs& inputs, QString* writtenPath,
                                 FileError* error);

} // namespace siteloom
