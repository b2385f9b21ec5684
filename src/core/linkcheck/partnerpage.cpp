#include "linkcheck/partnerpage.h"

#include "html/htmldocument.h"
#include "weburl/weburl.h"

#include <QStringDecoder>

#include <uchardet.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The charset uchardet finds in the bytes, or "" when it finds none.
QByteArray detectedCharset(const QByteArray& body)
{
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(
        uchardet_new(), uchardet_delete);
    if (uchardet_handle_data(detector.get(), body.constData(), size_t(body.size())) != 0)
        return {};
    uchardet_data_end(detector.get());
    return QByteArray(uchardet_get_charset(detector.get()));
}

} // namespace

QByteArray contentTypeCharset(const QByteArray& contentType)
{
    for (const QByteArray& parameter : contentType.split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        if (trimmed.size() > 8 && trimmed.first(8).toLower() == "charset=") {
            QByteArray value = trimmed.sliced(8).trimmed();
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\''))
                value = value.sliced(1, value.size() - 2);
            return value.trimmed();
        }
    }
    return {};
}

bool isHtmlContentType(const QByteArray& contentType)
{
    const QByteArray type = contentType.split(';').first().trimmed().toLower();
    return type.isEmpty() || type == "text/html" || type == "application/xhtml+xml";
}

QString decodePartnerPage(const QByteArray& body, const QByteArray& contentType)
{
    if (const QByteArray named = contentTypeCharset(contentType); !named.isEmpty()) {
        QStringDecoder decoder(named.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    // The byte-order mark or the meta element; Qt answers UTF-8 when the page names nothing.
    QStringDecoder fromPage = QStringDecoder::decoderForHtml(body);
    if (fromPage.isValid() && QByteArrayView(fromPage.name()).compare("UTF-8", Qt::CaseInsensitive) != 0)
        return fromPage.decode(body);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8.decode(body);
    if (!utf8.hasError())
        return asUtf8;
    if (const QByteArray detected = detectedCharset(body); !detected.isEmpty()) {
        QStringDecoder decoder(detected.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return asUtf8;
}

BacklinkStatus pageLinksBack(QStringView html, QStringView pageUrl, QStringView ownUrl, QStringView ownBanner,
                             QString* reason)
{
    const HtmlDocument page(html);
    QString base = pageUrl.toString();
    if (const QList<int> bases = page.elements(u"base"); !bases.isEmpty()) {
        if (const QString href = page.attribute(bases.first(), u"href"); !href.isNull()) {
            if (const QString resolved = resolveUrl(pageUrl, href); !resolved.isEmpty())
                base = resolved;
        }
    }
    const QString own = comparableUrl(ownUrl);
    const QString banner = comparableUrl(ownBanner);
    const auto refersTo = [&](QStringView tag, QStringView attribute, const QString& target) {
        if (target.isEmpty())
            return false;
        for (int node : page.elements(tag)) {
            const QString value = page.attribute(node, attribute);
            if (!value.isNull() && comparableUrl(resolveUrl(base, value)) == target)
                return true;
        }
        return false;
    };
    if (refersTo(u"a", u"href", own) || refersTo(u"area", u"href", own) || refersTo(u"img", u"src", banner))
        return BacklinkStatus::Found;
    if (!page.truncated())
        return BacklinkStatus::NotFound;
    if (reason)
        *reason =
            u"ページの作りが普通でない（入れ子が深すぎるか、属性が多すぎる）ため、途中までしか読めません"_s;
    return BacklinkStatus::Unknown;
}

} // namespace siteloom
