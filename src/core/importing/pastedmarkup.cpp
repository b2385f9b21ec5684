#include "importing/pastedmarkup.h"

#include "html/htmldocument.h"
#include "linkentry/linkentry.h"
#include "text/trim.h"
#include "weburl/weburl.h"

namespace siteloom {

namespace {

QString linkName(const HtmlDocument& document, int anchor, int image)
{
    if (image >= 0) {
        for (const QStringView attribute : {QStringView(u"alt"), QStringView(u"title")}) {
            if (QString name = nameFromPlainText(document.attribute(image, attribute)); !name.isEmpty())
                return name;
        }
        return nameFromPlainText(document.text(anchor));
    }
    // The markup as written; where the parser had to make up a tag, the text it holds.
    if (QString name = oneLine(document.innerSource(anchor)); !name.isEmpty())
        return name;
    return nameFromPlainText(document.text(anchor));
}

} // namespace

LinkImport readPastedMarkup(QStringView markup)
{
    const HtmlDocument document(markup);
    LinkImport import;
    for (const int anchor : document.elements(u"a")) {
        const QString href = document.attribute(anchor, u"href");
        if (href.isNull())
            continue;
        ImportedLink link;
        link.url = trimBlanks(href);
        link.skipped = !isWebUrl(link.url);
        if (!link.skipped) {
            const QList<int> images = document.elements(u"img", anchor);
            const int image = images.isEmpty() ? -1 : images.front();
            QString banner = image >= 0 ? trimBlanks(document.attribute(image, u"src")) : QString();
            if (banner.isEmpty())
                banner = QString::fromUtf16(defaultBannerUrl);
            QString name = linkName(document, anchor, image);
            if (name.isEmpty())
                name = nameFromPlainText(link.url);
            link.entry = {banner, name, link.url};
        }
        import.links.append(link);
    }
    return import;
}

} // namespace siteloom
