#include "importing/holdback.h"

#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "weburl/weburl.h"

#include <QHash>

namespace siteloom {

namespace {

// The length of the first field that its entry box could not hold, or 0: such an entry could not be
// taken back into the boxes to be edited.
qsizetype firstFieldBeyondItsBox(const LinkEntry& fields)
{
    for (const QString* field : {&fields.bannerUrl, &fields.siteName, &fields.siteUrl}) {
        if (field->size() > textBoxCapacity)
            return field->size();
    }
    return 0;
}

HoldBack entryProblem(const LinkEntry& fields)
{
    HoldBack problem;
    // A site URL may hold the separator: it takes the rest of the line.
    if (fields.bannerUrl.contains(linkSeparator) || fields.siteName.contains(linkSeparator)) {
        problem.reason = HoldBack::SeparatorInField;
    } else if (const qsizetype length = firstFieldBeyondItsBox(fields); length > 0) {
        problem.reason = HoldBack::TooLong;
        problem.length = length;
    } else {
        // Field by field, without putting the entry together: the separators can be saved, and a
        // pair of surrogates never runs across one. The position is the one in the whole entry.
        qsizetype offset = 0;
        for (const QString* field : {&fields.bannerUrl, &fields.siteName, &fields.siteUrl}) {
            if (const qsizetype at = firstUnsavable(*field); at >= 0) {
                const QString& text = *field;
                problem.reason = HoldBack::Unsavable;
                problem.position = offset + at;
                problem.character = text[at].unicode();
                if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
                    problem.character = QChar::surrogateToUcs4(text[at], text[at + 1]);
                break;
            }
            offset += field->size() + 1;
        }
    }
    return problem;
}

} // namespace

// Hashes are probed on from the site's own for as long as they are taken by another site, so that two
// sites with one hash are still told apart.
qsizetype ImportedEntryCheck::FirstSeen::find(const QString& site,
                                              const std::function<bool(qsizetype)>& sameSite) const
{
    for (size_t key = qHash(site, QHashSeed::globalSeed());; ++key) {
        const auto found = m_first.constFind(key);
        if (found == m_first.cend())
            return -1;
        if (sameSite(*found))
            return *found;
    }
}

qsizetype ImportedEntryCheck::FirstSeen::findOrAdd(const QString& site, qsizetype index,
                                                   const std::function<bool(qsizetype)>& sameSite)
{
    for (size_t key = qHash(site, QHashSeed::globalSeed());; ++key) {
        const auto found = m_first.constFind(key);
        if (found == m_first.cend()) {
            m_first.insert(key, index);
            return -1;
        }
        if (sameSite(*found))
            return *found;
    }
}

ImportedEntryCheck::ImportedEntryCheck(const QStringList& list, std::function<QString(qsizetype)> siteUrlOf)
    : m_list(list), m_siteUrlOf(std::move(siteUrlOf))
{
    for (qsizetype i = 0; i < m_list.size(); ++i) {
        const QString site = comparableUrl(splitEntryView(m_list[i]).siteUrl);
        if (!site.isEmpty())
            (void)m_listed.findOrAdd(site, i, [&](qsizetype other) {
                return comparableUrl(splitEntryView(m_list[other]).siteUrl) == site;
            });
    }
}

HoldBack ImportedEntryCheck::next(const LinkEntry& entry)
{
    const qsizetype index = m_checked++;
    HoldBack problem = entryProblem(entry);
    const QString site = comparableUrl(entry.siteUrl);
    if (site.isEmpty())
        return problem;
    const qsizetype before = m_earlier.findOrAdd(
        site, index, [&](qsizetype other) { return comparableUrl(m_siteUrlOf(other)) == site; });
    if (problem.reason != HoldBack::None)
        return problem;
    const qsizetype listed = m_listed.find(
        site, [&](qsizetype other) { return comparableUrl(splitEntryView(m_list[other]).siteUrl) == site; });
    if (listed >= 0)
        return HoldBack{HoldBack::AlreadyInList, 0, 0, 0, listed};
    if (before >= 0)
        return HoldBack{HoldBack::EarlierInImport, 0, 0, 0, before};
    return problem;
}

QList<HoldBack> checkImportedEntries(const QList<LinkEntry>& imported, const QStringList& list)
{
    ImportedEntryCheck check(list, [&imported](qsizetype i) { return imported[i].siteUrl; });
    QList<HoldBack> result;
    result.reserve(imported.size());
    for (const LinkEntry& entry : imported)
        result.append(check.next(entry));
    return result;
}

} // namespace siteloom
