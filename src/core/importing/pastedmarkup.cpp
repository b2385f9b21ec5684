#include "importing/pastedmarkup.h"

#include "html/htmldocument.h"
#include "linkentry/linkentry.h"
#include "weburl/weburl.h"

#include <QHash>

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
    QList<bool> banners; // per link: it shows an image
    LinkImport import = documentLinks(document, [&](int anchor, ImportedLink& link) {
        const QList<int> images = document.elements(u"img", anchor);
        const int image = images.isEmpty() ? -1 : images.front();
        link.entry.bannerUrl = image >= 0 ? urlFromAttribute(document.attribute(image, u"src")) : QString();
        if (link.entry.bannerUrl.isEmpty())
            link.entry.bannerUrl = QString::fromUtf16(defaultBannerUrl);
        link.entry.siteName = linkName(document, anchor, image);
        banners.append(image >= 0);
    });
    // The first banner link and the first text link of each site become one entry.
    QHash<QString, qsizetype> firstBanner;
    QHash<QString, qsizetype> firstText;
    QList<bool> merged(import.links.size(), false);
    for (qsizetype i = 0; i < import.links.size(); ++i) {
        if (import.links[i].skipped)
            continue;
        const QString site = comparableUrl(import.links[i].url);
        QHash<QString, qsizetype>& same = banners[i] ? firstBanner : firstText;
        if (same.contains(site))
            continue;
        same.insert(site, i);
        const QHash<QString, qsizetype>& other = banners[i] ? firstText : firstBanner;
        if (const auto pair = other.constFind(site); pair != other.cend() && !merged[*pair]) {
            ImportedLink& first = import.links[*pair];
            const ImportedLink& second = import.links[i];
            if (banners[i])
                first.entry.bannerUrl = second.entry.bannerUrl;
            else
                first.entry.siteName = second.entry.siteName;
            merged[*pair] = merged[i] = true;
            import.links[i].url.clear(); // dropped below
        }
    }
    import.links.removeIf([](const ImportedLink& link) { return !link.skipped && link.url.isEmpty();
});
return import;
} // namespace siteloom

} // namespace siteloom
