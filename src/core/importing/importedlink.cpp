#include "importing/importedlink.h"

#include "html/htmldocument.h"
#include "text/trim.h"
#include "weburl/weburl.h"

using namespace Qt::StringLiterals;

namespace siteloom {

QList<LinkEntry> importedEntries(const LinkImport& import, QStringView folder, int* skipped)
{
    QList<LinkEntry> entries;
    int skippedHere = 0;
    for (const ImportedLink& link : import.links) {
        const bool inside = folder.isEmpty() || link.folder == folder ||
                            (link.folder.startsWith(folder) && link.folder.at(folder.size()) == u'/');
        if (!inside)
            continue;
        if (link.skipped)
            ++skippedHere;
        else
            entries.append(link.entry);
    }
    if (skipped)
        *skipped = skippedHere;
    return entries;
}

LinkImport documentLinks(const HtmlDocument& document, const std::function<void(int, ImportedLink&)>& fill)
{
    LinkImport import;
    if (document.truncated())
        import.cut = LinkImport::Cut::TooDeep;
    for (const int anchor : document.elements(u"a")) {
        const QString href = document.attribute(anchor, u"href");
        if (href.isNull())
            continue;
        ImportedLink link;
        link.url = urlFromAttribute(href);
        fill(anchor, link);
        link.skipped = !isWebUrl(link.url);
        if (link.skipped) {
            link.entry = LinkEntry();
        } else {
            link.entry.siteUrl = link.url;
            if (link.entry.siteName.isEmpty())
                link.entry.siteName = nameFromPlainText(link.url);
        }
        import.links.append(link);
    }
    return import;
}

QString urlFromAttribute(QStringView value)
{
    QString url = value.toString();
    url.removeIf([](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r'; });
    return trimBlanks(url);
}

QString oneLine(QStringView markup)
{
    QString line;
    line.reserve(markup.size());
    for (qsizetype i = 0; i < markup.size(); ++i) {
        const QChar c = markup[i];
        if (c == u'\r' || c == u'\n' || c == u'\t') {
            if (c == u'\r' && i + 1 < markup.size() && markup[i + 1] == u'\n')
                ++i;
            line += u' ';
        } else {
            line += c;
        }
    }
    return trimBlanks(line);
}

QString nameFromPlainText(QStringView text)
{
    QString name = oneLine(text);
    name.replace(u'&', u"&amp;"_s);
    name.replace(u'<', u"&lt;"_s);
    name.replace(u'>', u"&gt;"_s);
    return name;
}

} // namespace siteloom
