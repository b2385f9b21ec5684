#pragma once

#include "page/pageinputs.h"

#include <QList>
#include <QStringView>

#include <optional>

namespace siteloom {

// Reads a page this tool wrote back into what it was written from: the entries as they stand in
// the page and the page options it shows (title, background, the owner's banner, name and URL).
// What the page does not show keeps its start value. The lines are the page's lines without their
// ends, as views into its text. The inputs found always write this very page again; a page that was
// changed after it was written gives nullopt.
[[nodiscard]] std::optional<PageInputs> recoverPage(const QList<QStringView>& lines);

// A page of this tool that someone edited since it was written (an access counter added, a row
// taken out, a name changed): every entry and page option that can still be read, in order, and
// the lines (from 1) that are neither: lines added, or changed past reading. Those are found by
// comparing the page with the one the inputs read write again.
struct EditedPage
{
    PageInputs page;
    QList<qsizetype> unreadLines;
};
[[nodiscard]] std::optional<EditedPage> recoverEditedPage(const QList<QStringView>& lines);

// True when the lines begin and end as a page of this tool does, whether or not recoverPage can read
// them: a page of ours that was edited since.
[[nodiscard]] bool looksLikeOwnPage(const QList<QStringView>& lines);

} // namespace siteloom
