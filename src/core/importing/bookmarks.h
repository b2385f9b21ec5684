#pragma once

#include "importing/importedlink.h"

#include <QStringView>

#include <functional>

namespace siteloom {

// The bookmarks file browsers export and import: "<!DOCTYPE NETSCAPE-Bookmark-file-1>", folders as
// "<DT><H3>" headings each followed by a "<DL>" of what they hold, bookmarks as "<DT><A HREF>".

// Every "<A HREF>" of the file in document order: an http or https address becomes an entry with the
// default banner, the link text as its name (as plain text) and the address as its site URL; any
// other address is skipped. A bookmark without a title is named after its address.
// With a sink, each link goes to it as soon as it is read instead of into the links returned.
[[nodiscard]] LinkImport readBookmarks(QStringView html, const LinkSink& sink = {});

// The same for a text that comes in pieces, so that it is never held whole: `more` appends the next
// piece to `text` (which holds what is not yet read) and returns false once there is none; `size` is
// the whole text's length in UTF-16 code units. The links are the same as from the whole text.
[[nodiscard]] LinkImport readBookmarks(qsizetype size, const std::function<bool(QString& text)>& more,
                                       const LinkSink& sink = {});

} // namespace siteloom
