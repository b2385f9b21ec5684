#pragma once

#include "importing/importedlink.h"

#include <QStringView>

namespace siteloom {

// The markup a partner site offers for link exchange, pasted as it came: every "<a href>" with an
// http or https address is one entry. With an image inside, the image is the banner and its alt or
// else its title text the name (as plain text); a link without an image gets the default banner
// and its own content as the name, markup kept as written. Other addresses are skipped. A banner
// link and a text link to the same site (the two choices link-back markup offers, this tool's
// included) are one entry, where the first of them stands: the banner with the text link's name.
[[nodiscard]] LinkImport readPastedMarkup(QStringView markup);

} // namespace siteloom
