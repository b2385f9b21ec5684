#pragma once

#include <QString>
#include <QStringView>

namespace siteloom {

// One line of the link list: banner URL, site name and site URL joined by the full-width colon.
// The banner URL and the site name cannot hold the separator; the site URL takes the rest of the
// line, further separators included.
inline constexpr QChar linkSeparator{0xFF1A}; // "："

// The banner shown for a site whose banner field was left (nearly) empty.
inline constexpr char16_t defaultBannerUrl[] = u"http://siteloom.example.jp/img/whiteball.gif";

struct LinkEntry
{
    QString bannerUrl;
    QString siteName;
    QString siteUrl;

    friend bool operator==(const LinkEntry&, const LinkEntry&) = default;
};

[[nodiscard]] QString composeEntry(const LinkEntry& entry);

// Splits at the first two separators. A line with fewer separators (only a hand-edited list file
// brings one) gives empty fields for what is missing: no separator puts the whole line into the
// banner URL; one separator leaves the site URL empty.
[[nodiscard]] LinkEntry splitEntry(QStringView line);

// The same split, as views into the line: for a reader that only passes the fields on, such as the
// page writer with its many entries.
struct LinkEntryView
{
    QStringView bannerUrl;
    QStringView siteName;
    QStringView siteUrl;
};
[[nodiscard]] LinkEntryView splitEntryView(QStringView line);

} // namespace siteloom
