#pragma once

#include "importing/importedlink.h"

#include <QStringView>

namespace siteloom {

// The bookmarks file browsers export and import: "<!DOCTYPE NETSCAPE-Bookmark-file-1>", folders as
// "<DT><H3>" headings each followed by a "<DL>" of what they hold, bookmarks as "<DT><A HREF>".

// Every "<A HREF>" of the file in document order: an http or https address becomes an entry with the
// default banner, the link text as its name (as plain text) and the address as its site URL; any
// other address is skipped. A bookmark without a title is named after its address.
[[nodiscard]] LinkImport readBookmarks(QStringView html);

} // namespace siteloom
