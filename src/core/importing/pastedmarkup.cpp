#include "importing/pastedmarkup.h"

#include "html/htmldocument.h"
#include "linkentry/linkentry.h"

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
    if (QString name = withoutControls(oneLine(document.innerSource(anchor)), true); !name.isEmpty())
        return name;
    return nameFromPlainText(document.text(anchor));
}

} // namespace

LinkImport readPastedMarkup(QStringView markup)
{
    const HtmlDocument document(markup);
    return documentLinks(document, [&](int anchor, ImportedLink& link) {
        const QList<int> images = document.elements(u"img", anchor);
        const int image = images.isEmpty() ? -1 : images.front();
        link.entry.bannerUrl = image >= 0 ? urlFromAttribute(document.attribute(image, u"src")) : QString();
        if (link.entry.bannerUrl.isEmpty())
            link.entry.bannerUrl = QString::fromUtf16(defaultBannerUrl);
        link.entry.siteName = linkName(document, anchor, image);
    });
}

} // namespace siteloom
