#include "updates/updatestate.h"

#include "userstate/userstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

QString isoText(const QDateTime& date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QDateTime fromIso(const QJsonValue& value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

} // namespace

QString updateStatePath()
{
    return stateDirectory() + u"/updates.json"_s;
}

UpdateStates readUpdateStates(const QString& path)
{
    UpdateStates states;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return states;
    const QJsonObject sites = QJsonDocument::fromJson(file.read(64 * 1024 * 1024)).object();
    for (auto it = sites.begin(); it != sites.end(); ++it) {
        const QJsonObject site = it.value().toObject();
        SiteState state;
        state.feed = site.value(u"feed"_s).toString();
        state.itemDate = fromIso(site.value(u"itemDate"_s));
        state.itemTitle = site.value(u"itemTitle"_s).toString();
        state.itemLink = site.value(u"itemLink"_s).toString();
        state.etag = site.value(u"etag"_s).toString();
        state.lastModified = site.value(u"lastModified"_s).toString();
        state.fingerprint = site.value(u"fingerprint"_s).toString().toLatin1();
        state.changedAt = fromIso(site.value(u"changedAt"_s));
        state.changeTitle = site.value(u"changeTitle"_s).toString();
        state.changeLink = site.value(u"changeLink"_s).toString();
        states.insert(it.key(), state);
    }
    return states;
}

bool writeUpdateStates(const QString& path, const UpdateStates& states, FileError* error)
{
    QJsonObject sites;
    for (auto it = states.begin(); it != states.end(); ++it) {
        const SiteState& state = it.value();
        QJsonObject site;
        const auto put = [&site](const QString& key, const QString& value) {
            if (!value.isEmpty())
                site.insert(key, value);
        };
        put(u"feed"_s, state.feed);
        put(u"itemDate"_s, isoText(state.itemDate));
        put(u"itemTitle"_s, state.itemTitle);
        put(u"itemLink"_s, state.itemLink);
        put(u"etag"_s, state.etag);
        put(u"lastModified"_s, state.lastModified);
        put(u"fingerprint"_s, QString::fromLatin1(state.fingerprint));
        put(u"changedAt"_s, isoText(state.changedAt));
        put(u"changeTitle"_s, state.changeTitle);
        put(u"changeLink"_s, state.changeLink);
        sites.insert(it.key(), site);
    }
    const QByteArray bytes = QJsonDocument(sites).toJson(QJsonDocument::Indented);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileSafely(
        path,
        [&bytes](QIODevice& device) {
            WriteResult result;
            result.ok = device.write(bytes) == bytes.size();
            result.systemError = result.ok ? 0 : errno;
            return result;
        },
        error);
}

SiteChange judgeLook(const SiteState* before, const SiteLook& look, const QDateTime& now, SiteState* after)
{
    *after = before ? *before : SiteState();
    if (!look.notModified) {
        after->etag = look.etag;
        after->lastModified = look.lastModified;
    }
    if (look.method == UpdateMethod::Feed) {
        after->feed = look.feed;
        if (look.notModified)
            return before ? SiteChange::Same : SiteChange::New;
        after->itemDate = look.itemDate;
        after->itemTitle = look.itemTitle;
        after->itemLink = look.itemLink;
        if (!before)
            return SiteChange::New;
        // A site that gained its feed since: the feed's first look only records it.
        if (before->feed.isEmpty())
            return SiteChange::Same;
        bool changed;
        if (look.itemDate.isValid() && before->itemDate.isValid())
            changed = look.itemDate > before->itemDate;
        else
            changed = look.itemTitle != before->itemTitle || look.itemLink != before->itemLink;
        if (!changed)
            return SiteChange::Same;
        after->changedAt = now;
        after->changeTitle = look.itemTitle;
        after->changeLink = look.itemLink;
        return SiteChange::Changed;
    }
    after->feed.clear();
    if (look.notModified)
        return before ? SiteChange::Same : SiteChange::New;
    after->fingerprint = look.fingerprint;
    if (!before)
        return SiteChange::New;
    if (before->fingerprint.isEmpty() || before->fingerprint == look.fingerprint)
        return SiteChange::Same;
    after->changedAt = now;
    after->changeTitle.clear();
    after->changeLink.clear();
    return SiteChange::Changed;
}

} // namespace siteloom
