#pragma once

#include "linkentry/linkentry.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

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

// The same, an entry at a time, for an import too long to hold as entries: per site it keeps a hash
// of the address as compared, and only when an entry's hash is one seen before does it look at the
// earlier site again, through siteUrlOf(the index of an entry checked before).
class ImportedEntryCheck
{
public:
    ImportedEntryCheck(const QStringList& list, std::function<QString(qsizetype)> siteUrlOf);

    // The first reason to hold back the next entry; its index in the import is the number checked
    // before it.
    [[nodiscard]] HoldBack next(const LinkEntry& entry);

private:
    // Sites by the hash of their address as compared, each with the index it was seen at first.
    class FirstSeen
    {
    public:
        // The index the site was seen at first, or -1 after noting it at `index`. sameSite(i): the one
        // seen at i is that site.
        qsizetype findOrAdd(const QString& site, qsizetype index,
                            const std::function<bool(qsizetype)>& sameSite);
        [[nodiscard]] qsizetype find(const QString& site,
                                     const std::function<bool(qsizetype)>& sameSite) const;

    private:
        QHash<size_t, qsizetype> m_first;
    };

    QStringList m_list;
    std::function<QString(qsizetype)> m_siteUrlOf;
    FirstSeen m_listed;  // the list's sites
    FirstSeen m_earlier; // the import's sites so far
    qsizetype m_checked = 0;
};

} // namespace siteloom
