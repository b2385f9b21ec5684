#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace siteloom {

// What a page says about its feed: the first feed it announces (a link element whose rel is
// "alternate" with an RSS, Atom or JSON Feed type, or whose rel is "feed"), as an absolute address,
// or null; and, for a frameset, the addresses of its frames, where the feed may be announced instead.
struct PageFeed
{
    QString feed;
    QStringList frames;
};
[[nodiscard]] PageFeed discoverFeed(QStringView html, QStringView pageUrl);

// A feed's newest item: its date (invalid when the feed gives none that can be believed), title and
// address. A feed whose items carry no date gives its own date (lastBuildDate, updated) and its
// first item.
struct FeedNewest
{
    bool isFeed = false; // the bytes were a feed at all: RSS 1.0, RSS 2.0, Atom or JSON Feed
    QDateTime date;
    QString title;
    QString link;
};
// Reads a feed: XML in the charset HTTP names, else the one its own encoding declaration names
// (Shift_JIS and EUC-JP among them), else UTF-8; JSON Feed as UTF-8. Dates after `now` (a day's
// grace for the zones) or before 1995 are no dates.
[[nodiscard]] FeedNewest readFeed(const QByteArray& body, const QByteArray& contentType, QStringView feedUrl,
                                  const QDateTime& now);

// The feed's XML as text: decoded by the charset HTTP names, else by its encoding declaration.
[[nodiscard]] QString decodeXml(const QByteArray& body, const QByteArray& contentType);

// A date as feeds write it: RFC 822 (RSS 2.0, with the zones' names) or ISO 8601 (RSS 1.0's dc:date,
// Atom, JSON Feed); invalid when it is neither, or absurd: after now (and a day) or before 1995.
[[nodiscard]] QDateTime feedDate(QStringView text, const QDateTime& now);

} // namespace siteloom
