#include "linkcheck/partnerpage.h"

#include "html/htmltokenizer.h"
#include "weburl/weburl.h"

#include <QSet>
#include <QStringDecoder>

#include <uchardet.h>

#include <algorithm>
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
    const QString own = comparableUrl(ownUrl);
    const QString banner = comparableUrl(ownBanner);

    // One pass over the tags, no tree: the references are kept as written (each once) and resolved
    // at the end, as the first base element with an address counts for the whole page, wherever it
    // stands.
    QString base;
    bool baseFound = false;
    bool cut = false;
    QSet<QString> links;
    QSet<QString> images;
    HtmlTokenizer tokens(html);
    for (HtmlTokenizer::Token token = tokens.next(); token != HtmlTokenizer::Token::End;
         token = tokens.next()) {
        if (token != HtmlTokenizer::Token::StartTag)
            continue;
        const QString& tag = tokens.tagName();
        QSet<QString>* references = nullptr;
        QStringView attribute;
        if (tag == u"a" || tag == u"area") {
            references = own.isEmpty() ? nullptr : &links;
            attribute = u"href";
        } else if (tag == u"frame" || tag == u"iframe") {
            references = own.isEmpty() ? nullptr : &links;
            attribute = u"src";
        } else if (tag == u"img") {
            references = banner.isEmpty() ? nullptr : &images;
            attribute = u"src";
        } else if (tag == u"base" && !baseFound) {
            attribute = u"href";
        } else {
            continue;
        }
        // The attribute may have been among those a tag beyond belief had passed over.
        cut = cut || tokens.attributesCut();
        const QString value = tokens.attribute(attribute);
        if (value.isNull())
            continue;
        if (references) {
            references->insert(value);
        } else if (tag == u"base") {
            base = value;
            baseFound = true;
        }
    }

    QString resolvedBase = pageUrl.toString();
    if (baseFound) {
        if (const QString resolved = resolveUrl(pageUrl, base); !resolved.isEmpty())
            resolvedBase = resolved;
    }
    const auto refersTo = [&](const QSet<QString>& references, const QString& target) {
        return std::any_of(references.cbegin(), references.cend(), [&](const QString& reference) {
            return comparableUrl(resolveUrl(resolvedBase, reference)) == target;
        });
    };
    if (refersTo(links, own) || refersTo(images, banner))
        return BacklinkStatus::Found;
    if (!cut)
        return BacklinkStatus::NotFound;
    if (reason)
        *reason =
            u"ページの作りが普通でない（入れ子が深すぎるか、属性が多すぎる）ため、途中までしか読めません"_s;
    return BacklinkStatus::Unknown;
}

} // namespace siteloom
