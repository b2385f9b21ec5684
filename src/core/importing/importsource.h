#pragma once

#include "importing/importedlink.h"
#include "page/pageinputs.h"
#include "text/textfile.h"

#include <QString>

namespace siteloom {

// A file to import from: a bookmarks file or a page this tool wrote, told apart by what it holds.
struct ImportSource
{
    enum Kind { Bookmarks, Page };
    Kind kind = Bookmarks;
    LinkImport links; // the bookmarks, or the page's entries (none skipped, no folders)
    PageInputs page;  // a page's options and entries; its file name is the file's name
    // A page of ours edited by hand since it was written, read as far as it goes (links.unreadLines
    // names the lines that gave nothing): writing it again gives the page as it was, not as edited.
    bool edited = false;
};

struct ImportSourceError
{
    enum Problem {
        File,          // the file could not be read (`file` says why)
        TooLarge,      // larger than any bookmarks file or page
        NotRecognised, // neither a bookmarks file nor a page of this tool
        PageChanged,   // a page of this tool, changed since it was written
    };
    Problem problem = File;
    FileError file;
};

// The largest file taken: far more than the bookmarks of any browser.
inline constexpr qint64 largestImportSource = 256 * 1024 * 1024;

// Reads a bookmarks file (the charset it declares, else UTF-8, else the one its bytes look like:
// Shift_JIS from older browsers) or a page of this tool (Windows-31J, or UTF-8 once an editor saved
// it so). Only a regular file is read, at most largestImportSource bytes of it whatever its size
// says; a FIFO or a device is refused at once, without waiting on it. Memory that runs out while
// the file is read ends in a File problem whose reason says so. With a sink, each link goes to it as
// soon as it is read instead of into source->links.links (a page's entries once the page is read,
// and only to the sink: source->page.entries is left empty).
[[nodiscard]] bool readImportSource(const QString& path, ImportSource* source, ImportSourceError* error,
                                    const LinkSink& sink = {});

} // namespace siteloom
