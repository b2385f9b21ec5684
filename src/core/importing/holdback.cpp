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

QList<HoldBack> checkImportedEntries(const QList<LinkEntry>& imported, const QStringList& list)
{
    // Sites by their canonical address: index in the list, or (for an import) in the import.
    QHash<QString, qsizetype> listed;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString site = comparableUrl(splitEntryView(list[i]).siteUrl);
        if (!site.isEmpty() && !listed.contains(site))
            listed.insert(site, i);
    }
    QHash<QString, qsizetype> earlier;
    QList<HoldBack> result;
    result.reserve(imported.size());
    for (qsizetype i = 0; i < imported.size(); ++i) {
        HoldBack problem = entryProblem(imported[i]);
        const QString site = comparableUrl(imported[i].siteUrl);
        if (problem.reason == HoldBack::None && !site.isEmpty()) {
            if (const auto found = listed.constFind(site); found != listed.cend())
                problem = HoldBack{HoldBack::AlreadyInList, 0, 0, 0, *found};
            else if (const auto before = earlier.constFind(site); before != earlier.cend())
                problem = HoldBack{HoldBack::EarlierInImport, 0, 0, 0, *before};
        }
        if (!site.isEmpty() && !earlier.contains(site))
            earlier.insert(site, i);
        result.append(problem);
    }
    return result;
}

} // namespace siteloom
