#pragma once

#include <QString>
#include <QStringView>

namespace siteloom {

// One line of the link list: banner URL, site name and site URL joined by the full-width colon.
// The banner URL and the site name cannot hold the separator; the site URL takes the rest of the
// line, further separators included.
inline constexpr QChar linkSeparator{0xFF1A}; // "："

// The banner shown for a site whose banner field was left (nearly) empty, and for imported links:
// a plain grey 88×31 GIF carried in the address itself, so that it shows in any browser, with no
// network and no host, big enough to click. Plain ASCII, far below a field's length.
inline constexpr char16_t defaultBannerUrl[] =
    u"data:image/gif;base64,R0lGODlhWAAfAIEAAOjo6JmZmWZmZv///"
    u"ywAAAAAWAAfAAACaoyPqcvtDx+YtNqLs968Z+OF4khyYImmKnau7iu28Exbco3Dd86new+MBYJE0q+"
    u"IvByTTMCyiXxCidIpsGrlYbO4LZfm/eqG4mS4vDqjfeR1UO02tuPaOb1rv4Pz+nE/B/e3EUFYaHhIWAAAOw==";
// The stand-in of earlier versions, on a host that never existed: lists made then still hold it.
inline constexpr char16_t formerDefaultBannerUrl[] = u"http://siteloom.example.jp/img/whiteball.gif";

struct LinkEntry
{
    QString bannerUrl;
    QString siteName;
    QString siteUrl;

    friend bool operator==(const LinkEntry&, const LinkEntry&) = default;
};
} // namespace siteloom
// Moved in memory as it stands when a list of entries grows, as the strings it holds are.
Q_DECLARE_TYPEINFO(siteloom::LinkEntry, Q_RELOCATABLE_TYPE);
namespace siteloom {

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
