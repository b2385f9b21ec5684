#pragma once

#include "linkentry/linkentry.h"

#include <QList>
#include <QStringList>

namespace siteloom {

// Why an imported entry is not added as it stands: what the list file would refuse to save or could
// not load back, or a site already there.
struct HoldBack
{
    enum Reason {
        None,
        Unsavable,        // a character the list file cannot hold (at `position`, `character`)
        TooLong,          // a field longer than its entry box holds (`length`)
        SeparatorInField, // "：" in the banner URL or the name: the entry would split there when read
        AlreadyInList,    // the same site as an entry of the list (`other`: its index)
        EarlierInImport,  // the same site as an earlier entry of the import (`other`: its index)
    };
    Reason reason = None;
    qsizetype position = 0;
    char32_t character = 0;
    qsizetype length = 0;
    qsizetype other = -1;

    friend bool operator==(const HoldBack&, const HoldBack&) = default;
};

// The first reason to hold back each imported entry, by the list file's own rules; sites are the
// same when their site URLs are the same web address as browsers compare them.
[[nodiscard]] QList<HoldBack> checkImportedEntries(const QList<LinkEntry>& imported, const QStringList& list);

} // namespace siteloom
