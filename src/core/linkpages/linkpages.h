#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace siteloom {

// The words by which a partner's link page names itself, in a link's text, an image link's alt
// text or the last part of its address, compared folded for case and width: a partner links back
// from such a page far more often than from its top page.
struct LinkPageWord
{
    const char16_t* word;
    bool inAddress; // also looked for in the last part of the link's address
};
inline constexpr LinkPageWord linkPageWords[] = {
    {u"リンク", false}, // リンク集, 相互リンク, and half-width ﾘﾝｸ after folding
    {u"りんく", false},
    {u"相互", false},
    {u"link", true}, // LINK, Links, link.html, links/, mylink.htm
};

// The pages of the same site to read next for the link back, in the order they stand in the page
// read at pageUrl: its frames and inline frames, then the links whose text, alt text or address
// says they lead to a link page. Addresses are absolute (the base element counted), each once,
// without fragments; other sites' pages (a host that differs other than by a leading "www.") are
// left out, and so is the page itself.
[[nodiscard]] QStringList linkPageCandidates(QStringView html, QStringView pageUrl);

// Why the link back is unknown when robots.txt kept the check from a page it would have read.
[[nodiscard]] QString robotsForbidReason(QStringView url);

// Whether two addresses are on the same site: the same host, or the same but for a leading "www.".
[[nodiscard]] bool sameSite(QStringView a, QStringView b);

// The partners' link pages found before, by the site's address as comparableUrl gives it: the
// next check reads a partner's link page there first. Kept in the user's cache directory, one
// "site<TAB>page" line each; a file that is missing or damaged only costs the search again.
using LinkPageMemory = QHash<QString, QString>;
[[nodiscard]] QString linkPageMemoryPath();
[[nodiscard]] LinkPageMemory readLinkPageMemory(const QString& path);
bool writeLinkPageMemory(const QString& path, const LinkPageMemory& memory);

} // namespace siteloom
