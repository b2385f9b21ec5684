#include "importing/exporting.h"

#include "html/htmldocument.h"
#include "linkentry/linkentry.h"
#include "page/linkpage.h"
#include "text/csv.h"
#include "text/trim.h"

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// A name or title is markup in the page; a bookmark's title is plain text: the text the page shows.
QString shownText(const QString& markup)
{
    if (!markup.contains(u'<') && !markup.contains(u'&'))
        return trimBlanks(markup);
    QString withBreaks = markup;
    withBreaks.replace(u"<br>"_s, u" "_s, Qt::CaseInsensitive);
    const HtmlDocument document(withBreaks);
    return trimBlanks(document.text(0));
}

QString escapedText(QString text)
{
    text.replace(u'&', u"&amp;"_s);
    text.replace(u'<', u"&lt;"_s);
    text.replace(u'>', u"&gt;"_s);
    return text;
}

// An address as the page writes it into its links, so that the bookmark leads where the page's link
// does; only a quote, which would end the attribute, is written as a reference.
QString attributeValue(QString url)
{
    return url.replace(u'"', u"&quot;"_s);
}

} // namespace

void writeBookmarksHtml(const PageInputs& inputs, LineWriter& writer)
{
    writer.writeLine(u"<!DOCTYPE NETSCAPE-Bookmark-file-1>");
    writer.writeLine(u"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">");
    writer.writeLine(u"<TITLE>Bookmarks</TITLE>");
    writer.writeLine(u"<H1>Bookmarks</H1>");
    writer.writeLine(u"<DL><p>");
    writer.writeLine(u"    <DT><H3>"_s + escapedText(shownText(pageTitle(inputs.title))) + u"</H3>"_s);
    writer.writeLine(u"    <DL><p>");
    for (const QString& line : inputs.entries) {
        const LinkEntryView entry = splitEntryView(line);
        const QString name = shownText(entry.siteName.toString());
        writer.writeLine(u"        <DT><A HREF=\""_s + attributeValue(entry.siteUrl.toString()) + u"\">"_s +
                         escapedText(name.isEmpty() ? entry.siteUrl.toString() : name) + u"</A>"_s);
    }
    writer.writeLine(u"    </DL><p>");
    writer.writeLine(u"</DL><p>");
}

void writeCsv(const PageInputs& inputs, LineWriter& writer)
{
    writer.writeLine(u"\uFEFFバナーURL,HP名,URL"_s);
    for (const QString& line : inputs.entries) {
        const LinkEntryView entry = splitEntryView(line);
        writer.writeLine(csvField(entry.bannerUrl) + u',' + csvField(entry.siteName) + u',' +
                         csvField(entry.siteUrl));
    }
}

bool saveExport(const QString& path, const PageInputs& inputs, ExportFormat format, FileError* error)
{
    return writeUtf8TextFile(
        path,
        [&](LineWriter& writer) {
            if (format == ExportFormat::Bookmarks)
                writeBookmarksHtml(inputs, writer);
            else
                writeCsv(inputs, writer);
        },
        error);
}

} // namespace siteloom
