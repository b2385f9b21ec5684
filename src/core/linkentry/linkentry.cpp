#include "linkentry/linkentry.h"

namespace siteloom {

QString composeEntry(const LinkEntry& entry)
{
    return entry.bannerUrl + linkSeparator + entry.siteName + linkSeparator + entry.siteUrl;
}

LinkEntry splitEntry(QStringView line)
{
    const LinkEntryView fields = splitEntryView(line);
    return {fields.bannerUrl.toString(), fields.siteName.toString(), fields.siteUrl.toString()};
}

LinkEntryView splitEntryView(QStringView line)
{
    LinkEntryView entry;
    const qsizetype first = line.indexOf(linkSeparator);
    if (first < 0) {
        entry.bannerUrl = line;
        return entry;
    }
    entry.bannerUrl = line.first(first);
    const QStringView rest = line.sliced(first + 1);
    const qsizetype second = rest.indexOf(linkSeparator);
    if (second < 0) {
        entry.siteName = rest;
        return entry;
    }
    entry.siteName = rest.first(second);
    entry.siteUrl = rest.sliced(second + 1);
    return entry;
}

} // namespace siteloom
