#pragma once

#include "page/pageinputs.h"

#include <QStringList>

#include <optional>

namespace siteloom {

// Reads a page this tool wrote back into what it was written from: the entries as they stand in
// the page and the page options it shows (title, background, the owner's banner, name and URL).
// What the page does not show keeps its start value. The lines are the page's lines without their
// ends. The inputs found always write this very page again; a page that was changed after it was
// written gives nullopt.
[[nodiscard]] std::optional<PageInputs> recoverPage(const QStringList& lines);

// True when the lines begin and end as a page of this tool does, whether or not recoverPage can read
// them: a page of ours that was edited since.
[[nodiscard]] bool looksLikeOwnPage(const QStringList& lines);

} // namespace siteloom
