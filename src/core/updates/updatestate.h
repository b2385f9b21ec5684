#pragma once

#include "text/safewrite.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

namespace siteloom {

// How a site's change was looked for.
enum class UpdateMethod {
    Feed,       // the newest item of the site's feed
    Validators, // the page's ETag or Last-Modified, asked of the server (304: unchanged)
    Text,       // the page's visible text, fingerprinted without its noise
};

// What the update check remembers of one site between checks. None of it is the user's data: losing
// it costs one round in which every site is new.
struct SiteState
{
    QString feed;       // the feed's address, once one was found
    QDateTime itemDate; // the feed's newest item: date (maybe invalid), title, link
    QString itemTitle;
    QString itemLink;
    QString etag; // the validators the last answer carried (of the feed, or of the page)
    QString lastModified;
    QByteArray fingerprint; // pageFingerprint of the page, when the page was read
    QDateTime changedAt;    // when a change was first seen; invalid before any
    QString changeTitle;    // what changed then: the feed item's title and link, empty for the page
    QString changeLink;
};

// The states by site: the list's address as comparableUrl gives it.
using UpdateStates = QHash<QString, SiteState>;

// $XDG_STATE_HOME/siteloom/updates.json, or ~/.local/state/siteloom/updates.json.
[[nodiscard]] QString updateStatePath();
// A file that is missing or damaged gives no states: every site is new again.
[[nodiscard]] UpdateStates readUpdateStates(const QString& path);
// Written safely, its directory made first; false with *error filled when it could not be.
[[nodiscard]] bool writeUpdateStates(const QString& path, const UpdateStates& states, FileError* error);

// What one look at a site saw.
struct SiteLook
{
    UpdateMethod method = UpdateMethod::Text;
    bool notModified = false; // the server answered 304 to the validators sent
    QString feed;
    QDateTime itemDate;
    QString itemTitle;
    QString itemLink;
    QString etag;
    QString lastModified;
    QByteArray fingerprint;
};

// Whether a look found a change since the state before it (null for a site never looked at), and
// the state to keep after it. A first look records and reports nothing; a feed counts as changed
// when its newest item is newer (or, without dates, another item); a page when its fingerprint
// differs. A site that gains or loses its feed is not changed by that alone.
enum class SiteChange { New, Changed, Same };
[[nodiscard]] SiteChange judgeLook(const SiteState* before, const SiteLook& look, const QDateTime& now,
                                   SiteState* after);

} // namespace siteloom
