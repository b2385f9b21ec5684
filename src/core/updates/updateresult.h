#pragma once

#include "updates/updatestate.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

namespace siteloom {

class LineWriter;

enum class UpdateStatus {
    Updated, // changed since the last check
    Unchanged,
    New,     // first look: recorded, nothing reported
    Unknown, // not read: robots.txt forbids it, it is not HTML, it could not be read whole
    Error,   // the server refused or failed, or nothing answered: reason says which
};

// One entry's outcome, in list order.
struct UpdateResult
{
    int index = 0; // 1-based, as the list counts
    QString name;
    QString url;
    UpdateStatus status = UpdateStatus::Unknown;
    UpdateMethod method = UpdateMethod::Text;
    QDateTime changedAt; // the last change seen (now, for one seen this time); invalid before any
    QString feed;        // the feed's address, when the site has one
    QString title;       // the feed item that changed, and its address
    QString link;
    QString movedTo; // where the site answered from, when it moved
    QString reason;  // Unknown, Error: why, in Japanese
};

// "updated", "unchanged", "new", "unknown", "error"; "feed", "validators", "text".
[[nodiscard]] QString updateStatusKeyword(UpdateStatus status);
[[nodiscard]] QString updateMethodKeyword(UpdateMethod method);

// "2026-12-07T09:00:00+09:00", in the zone of the machine.
[[nodiscard]] QString updateTimeText(const QDateTime& time);

// One line per entry: number, name, status, when, what (the feed item's title, "ページ", or the
// reason), tab-separated.
[[nodiscard]] QString updatesTable(const QList<UpdateResult>& results);

// {"entries": [...], "summary": {"entries": N, "updated": U, "unknown": K}}, an entry at a time
// through write; false as soon as a write fails.
[[nodiscard]] bool writeUpdatesJson(const QList<UpdateResult>& results,
                                    const std::function<bool(QByteArrayView)>& write);
[[nodiscard]] QByteArray updatesJson(const QList<UpdateResult>& results);

// The page of updates: the entries sorted by their last change, newest first (those never changed
// last, in list order), each with its name linked to its site, the time, and the feed item linked.
void writeUpdatesPage(const QList<UpdateResult>& results, const QString& title, LineWriter& writer);

// The OPML the feed readers import: the entries whose feed is known, in list order.
void writeOpml(const QList<UpdateResult>& results, const QString& title, LineWriter& writer);

} // namespace siteloom
