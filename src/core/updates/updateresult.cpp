#include "updates/updateresult.h"

#include "messages/updatemessages.h"
#include "text/textfile.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

QString escaped(QString text)
{
    return text.replace(u'&', u"&amp;"_s)
        .replace(u'<', u"&lt;"_s)
        .replace(u'>', u"&gt;"_s)
        .replace(u'"', u"&quot;"_s);
}

// A name or title on one line of the table, its control characters shown as "?".
QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return text;
}

QString what(const UpdateResult& result)
{
    if (result.status == UpdateStatus::Unknown || result.status == UpdateStatus::Error)
        return result.reason;
    QString text;
    if (result.status == UpdateStatus::Updated)
        text = result.title.isEmpty() ? updatedPageText() : result.title;
    if (!result.movedTo.isEmpty())
        text += (text.isEmpty() ? QString() : u" "_s) + updateMovedText(result.movedTo);
    return text;
}

} // namespace

QString updateStatusKeyword(UpdateStatus status)
{
    switch (status) {
    case UpdateStatus::Updated:
        return u"updated"_s;
    case UpdateStatus::Unchanged:
        return u"unchanged"_s;
    case UpdateStatus::New:
        return u"new"_s;
    case UpdateStatus::Unknown:
        return u"unknown"_s;
    case UpdateStatus::Error:
        return u"error"_s;
    }
    return {};
}

QString updateMethodKeyword(UpdateMethod method)
{
    switch (method) {
    case UpdateMethod::Feed:
        return u"feed"_s;
    case UpdateMethod::Validators:
        return u"validators"_s;
    case UpdateMethod::Text:
        return u"text"_s;
    }
    return {};
}

QString updateTimeText(const QDateTime& time)
{
    return time.isValid()
               ? time.toLocalTime().toOffsetFromUtc(time.toLocalTime().offsetFromUtc()).toString(Qt::ISODate)
               : QString();
}

QString updatesTable(const QList<UpdateResult>& results)
{
    QString text;
    for (const UpdateResult& result : results) {
        const QString when = updateTimeText(result.changedAt);
        text += QString::number(result.index) + u'\t' + oneLine(result.name) + u'\t' +
                updateStatusKeyword(result.status) + u'\t' + (when.isEmpty() ? u"-"_s : when) + u'\t' +
                oneLine(what(result)) + u'\n';
    }
    return text;
}

bool writeUpdatesJson(const QList<UpdateResult>& results, const std::function<bool(QByteArrayView)>& write)
{
    if (!write("{\"entries\":["))
        return false;
    int updated = 0;
    int unknown = 0;
    for (qsizetype row = 0; row < results.size(); ++row) {
        const UpdateResult& result = results[row];
        updated += result.status == UpdateStatus::Updated;
        unknown += result.status == UpdateStatus::Unknown || result.status == UpdateStatus::Error;
        QJsonObject entry{{u"index"_s, result.index},
                          {u"name"_s, result.name},
                          {u"url"_s, result.url},
                          {u"status"_s, updateStatusKeyword(result.status)},
                          {u"method"_s, updateMethodKeyword(result.method)}};
        const auto put = [&entry](const QString& key, const QString& value) {
            if (!value.isEmpty())
                entry.insert(key, value);
        };
        put(u"changedAt"_s, updateTimeText(result.changedAt));
        put(u"feed"_s, result.feed);
        put(u"title"_s, result.title);
        put(u"link"_s, result.link);
        put(u"movedTo"_s, result.movedTo);
        put(u"reason"_s, result.reason);
        if ((row > 0 && !write(",")) || !write(QJsonDocument(entry).toJson(QJsonDocument::Compact)))
            return false;
    }
    const QJsonObject summary{
        {u"entries"_s, int(results.size())}, {u"updated"_s, updated}, {u"unknown"_s, unknown}};
    return write("],\"summary\":") && write(QJsonDocument(summary).toJson(QJsonDocument::Compact)) &&
           write("}\n");
}

QByteArray updatesJson(const QList<UpdateResult>& results)
{
    QByteArray json;
    (void)writeUpdatesJson(results, [&json](QByteArrayView piece) {
        json += piece;
        return true;
    });
    return json;
}

void writeUpdatesPage(const QList<UpdateResult>& results, const QString& title, LineWriter& writer)
{
    QList<const UpdateResult*> order;
    for (const UpdateResult& result : results)
        order.append(&result);
    std::stable_sort(order.begin(), order.end(), [](const UpdateResult* a, const UpdateResult* b) {
        if (a->changedAt.isValid() != b->changedAt.isValid())
            return a->changedAt.isValid();
        return a->changedAt > b->changedAt;
    });
    writer.writeLine(u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">"_s);
    writer.writeLine(u"<html lang=\"ja\">"_s);
    writer.writeLine(u"<head>"_s);
    writer.writeLine(u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"_s);
    writer.writeLine(u"<title>"_s + escaped(title) + u"</title>"_s);
    writer.writeLine(u"</head>"_s);
    writer.writeLine(u"<body>"_s);
    writer.writeLine(u"<h1>"_s + escaped(title) + u"</h1>"_s);
    writer.writeLine(u"<table summary=\""_s + escaped(updatesPageTitle()) + u"\">"_s);
    for (const UpdateResult* result : order) {
        QString row = u"<tr><td><a href=\""_s + escaped(result->url) + u"\">"_s +
                      escaped(result->name.isEmpty() ? result->url : result->name) + u"</a></td><td>"_s +
                      escaped(updateTimeText(result->changedAt)) + u"</td><td>"_s;
        if (!result->title.isEmpty() && !result->link.isEmpty())
            row += u"<a href=\""_s + escaped(result->link) + u"\">"_s + escaped(result->title) + u"</a>"_s;
        else
            row += escaped(result->title);
        writer.writeLine(row + u"</td></tr>"_s);
    }
    writer.writeLine(u"</table>"_s);
    writer.writeLine(u"</body>"_s);
    writer.writeLine(u"</html>"_s);
}

void writeOpml(const QList<UpdateResult>& results, const QString& title, LineWriter& writer)
{
    writer.writeLine(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"_s);
    writer.writeLine(u"<opml version=\"2.0\">"_s);
    writer.writeLine(u"  <head>"_s);
    writer.writeLine(u"    <title>"_s + escaped(title) + u"</title>"_s);
    writer.writeLine(u"  </head>"_s);
    writer.writeLine(u"  <body>"_s);
    for (const UpdateResult& result : results) {
        if (result.feed.isEmpty())
            continue;
        const QString name = escaped(result.name.isEmpty() ? result.url : result.name);
        writer.writeLine(u"    <outline type=\"rss\" text=\""_s + name + u"\" title=\""_s + name +
                         u"\" xmlUrl=\""_s + escaped(result.feed) + u"\" htmlUrl=\""_s + escaped(result.url) +
                         u"\"/>"_s);
    }
    writer.writeLine(u"  </body>"_s);
    writer.writeLine(u"</opml>"_s);
}

} // namespace siteloom
