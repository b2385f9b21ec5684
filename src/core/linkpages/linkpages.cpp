#include "linkpages/linkpages.h"

#include "find/findtext.h"
#include "html/htmltokenizer.h"
#include "weburl/weburl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

namespace siteloom {

namespace {

bool saysLinkPage(const QString& text, bool address)
{
    const QString folded = foldForFind(text);
    for (const LinkPageWord& word : linkPageWords) {
        if ((!address || word.inAddress) && folded.contains(QStringView(word.word)))
            return true;
    }
    return false;
}

// The last part of an address's path that is not empty: "links" of "/a/links/", "link.html".
QString lastPathPart(const QString& url)
{
    const QStringList parts = QUrl(url).path().split(u'/', Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : parts.last();
}

QString withoutWww(const QString& host)
{
    return host.startsWith(u"www.") ? host.sliced(4) : host;
}

} // namespace

bool sameSite(QStringView a, QStringView b)
{
    const QUrl first(a.toString());
    const QUrl second(b.toString());
    return !first.host().isEmpty() &&
           withoutWww(first.host().toLower()) == withoutWww(second.host().toLower());
}

QStringList linkPageCandidates(QStringView html, QStringView pageUrl)
{
    QString base = pageUrl.toString();
    QStringList frames;
    QStringList links;
    QSet<QString> seen{comparableUrl(pageUrl)};
    const auto take = [&](QStringList& into, const QString& reference) {
        if (reference.isNull())
            return;
        const QString url = comparableUrl(resolveUrl(base, reference));
        if (url.isEmpty() || !sameSite(url, pageUrl) || seen.contains(url))
            return;
        seen.insert(url);
        into.append(url);
    };
    HtmlTokenizer tokens(html);
    QString anchorHref; // the link whose text is being read, null outside one
    QString anchorText;
    bool wanted = false;
    for (HtmlTokenizer::Token token = tokens.next(); token != HtmlTokenizer::Token::End;
         token = tokens.next()) {
        if (token == HtmlTokenizer::Token::Text) {
            if (!anchorHref.isNull())
                anchorText += tokens.text();
            continue;
        }
        const QString& tag = tokens.tagName();
        const bool start = token == HtmlTokenizer::Token::StartTag;
        if (start && tag == u"base" && !tokens.attribute(u"href").isNull()) {
            base = resolveUrl(pageUrl, tokens.attribute(u"href"));
        } else if (start && (tag == u"frame" || tag == u"iframe")) {
            take(frames, tokens.attribute(u"src"));
        } else if (tag == u"a" || (start && tag == u"area")) {
            if (!anchorHref.isNull() && (wanted || saysLinkPage(anchorText, false)))
                take(links, anchorHref);
            anchorHref = QString();
            if (start) {
                anchorHref = tokens.attribute(u"href");
                anchorText = QString();
                wanted = !anchorHref.isNull() &&
                         (saysLinkPage(lastPathPart(resolveUrl(base, anchorHref)), true) ||
                          (tag == u"area" && saysLinkPage(tokens.attribute(u"alt"), false)));
                if (tag == u"area") {
                    if (wanted)
                        take(links, anchorHref);
                    anchorHref = QString();
                }
            }
        } else if (start && tag == u"img" && !anchorHref.isNull()) {
            anchorText += u' ' + tokens.attribute(u"alt");
        }
    }
    if (!anchorHref.isNull() && (wanted || saysLinkPage(anchorText, false)))
        take(links, anchorHref);
    return frames + links;
}

QString robotsForbidReason(QStringView url)
{
    return QStringLiteral("robots.txt が %1 を読むことを禁じています").arg(url);
}

QString linkPageMemoryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/linkpages.txt");
}

LinkPageMemory readLinkPageMemory(const QString& path)
{
    // Far more than any list's partners take; a larger file is not ours.
    constexpr qint64 largestMemory = 16 * 1024 * 1024;
    LinkPageMemory memory;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > largestMemory)
        return memory;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 2)
            continue;
        const QString site = comparableUrl(QString::fromUtf8(fields[0]));
        const QString page = comparableUrl(QString::fromUtf8(fields[1]));
        if (!site.isEmpty() && !page.isEmpty() && sameSite(site, page))
            memory.insert(site, page);
    }
    return memory;
}

bool writeLinkPageMemory(const QString& path, const LinkPageMemory& memory)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QStringList sites = memory.keys();
    sites.sort();
    for (const QString& site : sites)
        file.write(site.toUtf8() + '\t' + memory.value(site).toUtf8() + '\n');
    return file.commit();
}

} // namespace siteloom
