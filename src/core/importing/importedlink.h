#pragma once

#include "linkentry/linkentry.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

namespace siteloom {

// One link found in a bookmarks file or in pasted markup.
struct ImportedLink
{
    LinkEntry entry;      // the link entry it becomes
    bool skipped = false; // not an http or https address: no entry
    QString url;          // the address as the source gives it
    QString folder;       // the bookmark folders it lies in, outermost first, joined by "/"; "" at the top
};
} // namespace siteloom
// Moved in memory as it stands when a list of them grows, as the strings it holds are.
Q_DECLARE_TYPEINFO(siteloom::ImportedLink, Q_RELOCATABLE_TYPE);
namespace siteloom {

// The links of one source, in document order, with the links skipped because their address is not
// an http or https address (place:, javascript:, file:, data: ...).
struct LinkImport
{
    QList<ImportedLink> links;
    QStringList folders; // every folder, in document order, as ImportedLink::folder names it

    // Where reading stopped short of the end, or an element lost what it held beyond a limit: the
    // links before the cut are all there, the rest is not.
    enum class Cut {
        None,
        TooDeep,           // folders (or elements) nested deeper than any real file's
        TooManyLinks,      // more links than a file of this size holds, each taking memory
        TooManyAttributes, // a tag with more attributes than are read: its address may be among those
    };
    Cut cut = Cut::None;
    qsizetype cutLine = 0; // the line (from 1) of the cut; 0 when not known
    // A page of ours edited since it was written: its lines (from 1) that were added or changed past
    // reading, and so give nothing.
    QList<qsizetype> unreadLines;
};

// Where a link read is handed as soon as it is read, for a source too long to hold its links: in
// document order, each once.
using LinkSink = std::function<void(ImportedLink&& link)>;

// Whether the link lies in the folder or in a folder inside it ("" for all).
[[nodiscard]] bool inFolder(const ImportedLink& link, QStringView folder);

// The entries of the links that are not skipped, and how many are, in the folder and the folders
// inside it ("" for all).
[[nodiscard]] QList<LinkEntry> importedEntries(const LinkImport& import, QStringView folder,
                                               int* skipped = nullptr);

class HtmlDocument;

// The links of a parsed document: one per "<a href>", in document order, skipped unless its address
// is an http or https address. fill sets each link's banner URL and name (and may set its folder);
// the site URL is the address, and a link left without a name is named after it.
[[nodiscard]] LinkImport documentLinks(const HtmlDocument& document,
                                       const std::function<void(int anchor, ImportedLink& link)>& fill);

// A plain text (a bookmark's title, an image's alt text) as an entry's name, which the page writes
// as markup: blanks and line breaks around it removed, line breaks inside it made spaces, and "&",
// "<" and ">" written as references so that the page shows the text as it is.
[[nodiscard]] QString nameFromPlainText(QStringView text);

// An address taken from an attribute (href, src) as a browser takes it: tabs and line breaks inside
// it removed (the URL parser drops them), blanks around it trimmed; other control characters go too.
[[nodiscard]] QString urlFromAttribute(QStringView value);

// Markup kept as it stands, in one line: blanks around it removed, each line break made a space
// (which a browser shows the same), control characters dropped (see withoutControls).
[[nodiscard]] QString oneLine(QStringView markup);

// The text without control characters (C0, DEL, C1) and, in markup, without numeric references
// to them ("&#27;"): none of them shows on a page, and an escape in a name would reach the list and
// a terminal that shows it. Tabs and line breaks go too; callers that keep them as blanks make them
// spaces first.
[[nodiscard]] QString withoutControls(QStringView text, bool markup);

} // namespace siteloom
