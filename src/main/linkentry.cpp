#include "main/linkentry.h"

namespace siteloom {

QString composeEntry(const LinkEntry& entry)
{
    return entry.bannerUrl + linkSeparator + entry.siteName + linkSeparator + entry.siteUrl;
}

LinkEntry splitEntry(QStringView line)
{
    LinkEntry entry;
    const qsizetype first = line.indexOf(linkSeparator);
    if (first < 0) {
        entry.bannerUrl = line.toString();
        return entry;
    }
    entry.bannerUrl = line.first(first).toString();
    const QStringView rest = line.sliced(first + 1);
    const qsizetype second = rest.indexOf(linkSeparator);
    if (second < 0) {
        entry.siteName = rest.toString();
        return entry;
    }
    entry.siteName = rest.first(second).toString();
    entry.siteUrl = rest.sliced(second + 1).toString();
    return entry;
}

} // namespace siteloom
