#include "importing/importedlink.h"

#include "html/htmldocument.h"
#include "text/trim.h"
#include "weburl/weburl.h"

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The same, for a numeric reference as a browser reads it: 0x80-0x9F stand for Windows-1252's
// printable characters, except the five it leaves out.
bool referencesControl(char32_t c)
{
    return c != 0 && (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D);
}

// The numeric reference at text[at] ("&#27;", "&#x1b"): its length and value, or a length of 0.
qsizetype numericReference(QStringView text, qsizetype at, char32_t* value)
{
    qsizetype i = at + 2;
    if (!text.sliced(at).startsWith(u"&#"))
        return 0;
    const bool hex = i < text.size() && (text[i] == u'x' || text[i] == u'X');
    if (hex)
        ++i;
    const qsizetype digits = i;
    char32_t code = 0;
    for (; i < text.size(); ++i) {
        const int digit = text[i] >= u'0' && text[i] <= u'9' ? text[i].unicode() - u'0'
                          : hex && text[i].toLower() >= u'a' && text[i].toLower() <= u'f'
                              ? text[i].toLower().unicode() - u'a' + 10
                              : -1;
        if (digit < 0)
            break;
        code = std::min<char32_t>(code * (hex ? 16 : 10) + char32_t(digit), 0x110000);
    }
    if (i == digits)
        return 0;
    if (i < text.size() && text[i] == u';')
        ++i;
    *value = code;
    return i - at;
}

} // namespace

QString withoutControls(QStringView text, bool markup)
{
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t value = 0;
        if (markup && text[i] == u'&') {
            if (const qsizetype length = numericReference(text, i, &value);
                length > 0 && referencesControl(value)) {
                i += length - 1;
                continue;
            }
        }
        if (!isControlCharacter(text[i].unicode()))
            kept += text[i];
    }
    return kept;
}

bool inFolder(const ImportedLink& link, QStringView folder)
{
    return folder.isEmpty() || link.folder == folder ||
           (link.folder.startsWith(folder) && link.folder.at(folder.size()) == u'/');
}

QList<LinkEntry> importedEntries(const LinkImport& import, QStringView folder, int* skipped)
{
    QList<LinkEntry> entries;
    int skippedHere = 0;
    for (const ImportedLink& link : import.links) {
        if (!inFolder(link, folder))
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
    return trimBlanks(withoutControls(value, false));
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
    return trimBlanks(withoutControls(line, false));
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
