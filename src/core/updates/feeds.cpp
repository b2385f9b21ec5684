#include "updates/feeds.h"

#include "html/htmltokenizer.h"
#include "linkcheck/partnerpage.h"
#include "text/cp932.h"
#include "weburl/weburl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

bool isFeedType(QStringView type)
{
    static const QStringList types = {u"application/rss+xml"_s, u"application/atom+xml"_s,
                                      u"application/rdf+xml"_s, u"application/feed+json"_s,
                                      u"application/json"_s};
    return types.contains(type.trimmed().toString().toLower());
}

bool hasWord(QStringView list, QStringView word)
{
    for (QStringView part : list.split(u' ', Qt::SkipEmptyParts)) {
        if (part.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The charset an XML declaration names: <?xml version="1.0" encoding="EUC-JP"?>.
QByteArray declaredEncoding(const QByteArray& body)
{
    const QByteArray head = body.left(200);
    if (!head.startsWith("<?xml"))
        return {};
    const qsizetype end = head.indexOf("?>");
    static const QRegularExpression encoding(u"encoding\\s*=\\s*[\"']([A-Za-z0-9._-]+)[\"']"_s);
    const QRegularExpressionMatch match = encoding.match(QString::fromLatin1(head.left(end)));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

QString decodeAs(const QByteArray& charset, const QByteArray& body, bool* ok)
{
    *ok = true;
    const QByteArray name = charset.toLower();
    if (name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis" || name == "cp932" ||
        name == "windows-31j") {
        // Japanese sites write the Windows code page and call it Shift_JIS.
        if (const std::optional<QString> text = cp932::decode(body))
            return *text;
    }
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid()) {
        *ok = false;
        return {};
    }
    return decoder.decode(body);
}

// The zones RSS 2.0 feeds name instead of writing an offset.
QString numericZone(QStringView text)
{
    static const QRegularExpression named(u"\\s(GMT|UTC|UT|Z|JST|EST|EDT|CST|CDT|MST|MDT|PST|PDT)$"_s);
    const QRegularExpressionMatch match = named.match(text.trimmed());
    if (!match.hasMatch())
        return text.trimmed().toString();
    static const QHash<QString, QString> offsets = {
        {u"GMT"_s, u"+0000"_s}, {u"UTC"_s, u"+0000"_s}, {u"UT"_s, u"+0000"_s},  {u"Z"_s, u"+0000"_s},
        {u"JST"_s, u"+0900"_s}, {u"EST"_s, u"-0500"_s}, {u"EDT"_s, u"-0400"_s}, {u"CST"_s, u"-0600"_s},
        {u"CDT"_s, u"-0500"_s}, {u"MST"_s, u"-0700"_s}, {u"MDT"_s, u"-0600"_s}, {u"PST"_s, u"-0800"_s},
        {u"PDT"_s, u"-0700"_s}};
    const QString trimmed = text.trimmed().toString();
    return trimmed.first(match.capturedStart(1)) + offsets.value(match.captured(1));
}

// The newest of the items, each with its date (maybe invalid), title and link, in the feed's order;
// the feed's own date for items without one.
FeedNewest newestOf(const QList<FeedNewest>& items, const QDateTime& feedOwnDate)
{
    FeedNewest newest;
    newest.isFeed = true;
    for (const FeedNewest& item : items) {
        if (item.date.isValid() && (!newest.date.isValid() || item.date > newest.date))
            newest = item;
    }
    if (!newest.date.isValid() && !items.isEmpty()) {
        newest = items.first();
        newest.date = feedOwnDate;
    }
    if (items.isEmpty())
        newest.date = feedOwnDate;
    newest.isFeed = true;
    return newest;
}

FeedNewest readJsonFeed(const QByteArray& body, QStringView feedUrl, const QDateTime& now)
{
    const QJsonObject feed = QJsonDocument::fromJson(body).object();
    if (!feed.value(u"version"_s).toString().contains(u"jsonfeed.org"_s))
        return {};
    QList<FeedNewest> items;
    for (const QJsonValue& value : feed.value(u"items"_s).toArray()) {
        const QJsonObject item = value.toObject();
        FeedNewest entry;
        entry.date = feedDate(item.value(u"date_modified"_s).toString(), now);
        if (!entry.date.isValid())
            entry.date = feedDate(item.value(u"date_published"_s).toString(), now);
        entry.title = item.value(u"title"_s).toString().simplified();
        const QString url = item.value(u"url"_s).toString();
        entry.link = url.isEmpty() ? QString() : resolveUrl(feedUrl, url);
        items.append(entry);
    }
    return newestOf(items, {});
}

FeedNewest readXmlFeed(const QString& xml, QStringView feedUrl, const QDateTime& now)
{
    QXmlStreamReader reader(xml);
    QList<FeedNewest> items;
    QDateTime ownDate;
    bool inItem = false;
    bool rootSeen = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) {
            if (reader.isEndElement() && (reader.name() == u"item" || reader.name() == u"entry"))
                inItem = false;
            continue;
        }
        const QStringView name = reader.name();
        if (!rootSeen) {
            rootSeen = true;
            if (name != u"rss" && name != u"RDF" && name != u"feed")
                return {};
            continue;
        }
        if (name == u"item" || name == u"entry") {
            inItem = true;
            items.append(FeedNewest());
            continue;
        }
        const bool isDate = name == u"pubDate" || name == u"lastBuildDate" || name == u"date" ||
                            name == u"updated" || name == u"modified";
        if (!inItem) {
            if (isDate) {
                const QDateTime date =
                    feedDate(reader.readElementText(QXmlStreamReader::SkipChildElements), now);
                if (date.isValid() && (!ownDate.isValid() || date > ownDate))
                    ownDate = date;
            }
            continue;
        }
        FeedNewest& item = items.last();
        if (name == u"title") {
            item.title = reader.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
        } else if (name == u"link") {
            const QStringView rel = reader.attributes().value(u"rel"_s);
            QString href = reader.attributes().value(u"href"_s).toString();
            if (href.isEmpty())
                href = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            if (!href.isEmpty() && (rel.isEmpty() || rel == u"alternate") && item.link.isEmpty())
                item.link = resolveUrl(feedUrl, href);
        } else if (isDate) {
            const QDateTime date = feedDate(reader.readElementText(QXmlStreamReader::SkipChildElements), now);
            if (date.isValid() && (!item.date.isValid() || date > item.date))
                item.date = date;
        }
    }
    if (!rootSeen || (reader.hasError() && items.isEmpty() && !ownDate.isValid()))
        return {};
    return newestOf(items, ownDate);
}

} // namespace

PageFeed discoverFeed(QStringView html, QStringView pageUrl)
{
    PageFeed found;
    QString base = pageUrl.toString();
    bool baseSeen = false;
    QStringList hrefs; // as written: the base element counts wherever it stands
    HtmlTokenizer tokens(html);
    for (HtmlTokenizer::Token token = tokens.next(); token != HtmlTokenizer::Token::End;
         token = tokens.next()) {
        if (token != HtmlTokenizer::Token::StartTag)
            continue;
        const QString& tag = tokens.tagName();
        if (tag == u"base" && !baseSeen && !tokens.attribute(u"href").isEmpty()) {
            baseSeen = true;
            base = resolveUrl(pageUrl, tokens.attribute(u"href").trimmed());
        } else if (tag == u"link" && hrefs.isEmpty()) {
            const QString rel = tokens.attribute(u"rel");
            const QString href = tokens.attribute(u"href").trimmed();
            if (!href.isEmpty() && ((hasWord(rel, u"alternate") && isFeedType(tokens.attribute(u"type"))) ||
                                    hasWord(rel, u"feed")))
                hrefs.append(href);
        } else if (tag == u"frame" && !tokens.attribute(u"src").trimmed().isEmpty()) {
            found.frames.append(tokens.attribute(u"src").trimmed());
        }
    }
    if (!hrefs.isEmpty())
        found.feed = resolveUrl(base, hrefs.first());
    for (QString& frame : found.frames)
        frame = resolveUrl(base, frame);
    found.frames.removeAll(QString());
    found.frames.removeDuplicates();
    return found;
}

QString decodeXml(const QByteArray& body, const QByteArray& contentType)
{
    bool ok = false;
    if (const QByteArray named = contentTypeCharset(contentType); !named.isEmpty()) {
        const QString text = decodeAs(named, body, &ok);
        if (ok)
            return text;
    }
    if (body.startsWith("\xEF\xBB\xBF") || body.startsWith("\xFE\xFF") || body.startsWith("\xFF\xFE")) {
        QStringDecoder decoder = QStringDecoder::decoderForHtml(body);
        return decoder.decode(body);
    }
    if (const QByteArray declared = declaredEncoding(body); !declared.isEmpty()) {
        const QString text = decodeAs(declared, body, &ok);
        if (ok)
            return text;
    }
    return QString::fromUtf8(body);
}

FeedNewest readFeed(const QByteArray& body, const QByteArray& contentType, QStringView feedUrl,
                    const QDateTime& now)
{
    if (body.trimmed().startsWith('{'))
        return readJsonFeed(body, feedUrl, now);
    QString xml = decodeXml(body, contentType);
    // Decoded already: the declaration would only make the reader look for the charset again.
    if (xml.startsWith(u"<?xml")) {
        const qsizetype end = xml.indexOf(u"?>");
        if (end > 0)
            xml.remove(0, end + 2);
    }
    return readXmlFeed(xml, feedUrl, now);
}

QDateTime feedDate(QStringView text, const QDateTime& now)
{
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty())
        return {};
    QDateTime date = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!date.isValid())
        date = QDateTime::fromString(numericZone(trimmed), Qt::RFC2822Date);
    if (!date.isValid())
        return {};
    if (date.timeSpec() == Qt::LocalTime)
        date.setTimeZone(QTimeZone::utc());
    static const QDateTime earliest(QDate(1995, 1, 1), QTime(0, 0), QTimeZone::utc());
    if (date < earliest || date > now.addDays(1))
        return {};
    return date;
}

} // namespace siteloom
