#include "linkcheck/partnerpage.h"

#include "html/htmltokenizer.h"
#include "weburl/weburl.h"

#include <QSet>
#include <QStringDecoder>

#include <optional>

#include <uchardet.h>

#include <algorithm>
#include <memory>
#include <string_view>

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

// The host of an address in the form comparableUrl gives ("http://host[:port]/..."), or "" when it
// names a user as well, which the quick test below leaves to the full comparison.
QString comparableHost(const QString& url)
{
    const qsizetype start = url.indexOf(u"://");
    if (start < 0)
        return {};
    qsizetype end = start + 3;
    while (end < url.size() && url[end] != u'/' && url[end] != u':' && url[end] != u'@')
        ++end;
    return end < url.size() && url[end] == u'@' ? QString() : url.sliced(start + 3, end - start - 3);
}

// The tags whose attributes the search reads; the rest of the page is passed over.
bool holdsReference(QStringView tag)
{
    switch (tag.size()) {
    case 1:
        return tag.front() == u'a';
    case 3:
        return tag == u"img";
    case 4:
        return tag == u"area" || tag == u"base";
    case 5:
        return tag == u"frame";
    case 6:
        return tag == u"iframe";
    default:
        return false;
    }
}

bool isHostCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' ||
           c == u'.';
}

// Where the reference, written as it is, may resolve to: resolving and comparing takes parsing
// three addresses, and a partner's page holds hundreds of links to other sites. Elsewhere only when
// it plainly cannot resolve to an address on the target's host: a host written plainly (letters,
// digits, dots and hyphens, its last label starting with a letter, so that no number form of an
// address hides in it) is compared as written, case aside; a reference without a scheme or host
// lands on the base's host. Anything less plain (blanks inside, a user, a port of another scheme,
// escapes, other characters) is left to the full comparison.
enum class Reach { Elsewhere, MaybeTarget, BaseHost };

Reach reach(QStringView reference, QStringView targetHost)
{
    if (targetHost.isEmpty())
        return Reach::MaybeTarget;
    reference = reference.trimmed();
    for (const QChar c : reference) {
        if (c.unicode() <= 0x20)
            return Reach::MaybeTarget;
    }
    qsizetype hostStart = -1;
    if (reference.startsWith(u"//"))
        hostStart = 2;
    else if (reference.startsWith(u"http://", Qt::CaseInsensitive))
        hostStart = 7;
    else if (reference.startsWith(u"https://", Qt::CaseInsensitive))
        hostStart = 8;
    if (hostStart < 0) {
        // A scheme of its own ("mailto:", "javascript:") is no web address; no scheme at all is a
        // path on the base's host. "http:" without slashes is left to the full comparison.
        qsizetype i = 0;
        while (i < reference.size() && (isHostCharacter(reference[i]) || reference[i] == u'+'))
            ++i;
        const bool scheme = i > 0 && i < reference.size() && reference[i] == u':' &&
                            reference[0].isLetter() && reference[0].unicode() < 0x80;
        if (!scheme)
            return Reach::BaseHost;
        const QStringView name = reference.first(i);
        return name.compare(u"http", Qt::CaseInsensitive) == 0 ||
                       name.compare(u"https", Qt::CaseInsensitive) == 0
                   ? Reach::MaybeTarget
                   : Reach::Elsewhere;
    }
    qsizetype end = hostStart;
    while (end < reference.size() && isHostCharacter(reference[end]))
        ++end;
    if (end < reference.size() && reference[end] == u':') {
        qsizetype port = end + 1;
        while (port < reference.size() && reference[port].isDigit() && reference[port].unicode() < 0x80)
            ++port;
        if (port < reference.size() && reference[port] != u'/' && reference[port] != u'?' &&
            reference[port] != u'#')
            return Reach::MaybeTarget;
    } else if (end < reference.size() && reference[end] != u'/' && reference[end] != u'?' &&
               reference[end] != u'#') {
        return Reach::MaybeTarget;
    }
    const QStringView host = reference.sliced(hostStart, end - hostStart);
    const qsizetype lastDot = host.lastIndexOf(u'.');
    const QStringView lastLabel = host.sliced(lastDot + 1);
    if (host.isEmpty() || lastLabel.isEmpty() || !lastLabel.front().isLetter())
        return Reach::MaybeTarget;
    return host.compare(targetHost, Qt::CaseInsensitive) == 0 ? Reach::MaybeTarget : Reach::Elsewhere;
}

// The references of one kind (links, images) that may resolve to the target, each kept once.
struct References
{
    QString target; // comparable; empty when not looked for
    QString host;
    QSet<QString> mayBeTarget;
    QSet<QString> onBaseHost;

    explicit References(QStringView url) : target(comparableUrl(url)), host(comparableHost(target)) {}

    void add(QStringView reference)
    {
        switch (reach(reference, host)) {
        case Reach::MaybeTarget:
            mayBeTarget.insert(reference.toString());
            break;
        case Reach::BaseHost:
            onBaseHost.insert(reference.toString());
            break;
        case Reach::Elsewhere:
            break;
        }
    }

    [[nodiscard]] bool found(const QString& base, QStringView baseHost) const
    {
        const auto resolvesToTarget = [&](const QString& reference) {
            return comparableUrl(resolveUrl(base, reference)) == target;
        };
        return std::any_of(mayBeTarget.cbegin(), mayBeTarget.cend(), resolvesToTarget) ||
               ((baseHost.isEmpty() || baseHost.compare(host, Qt::CaseInsensitive) == 0) &&
                std::any_of(onBaseHost.cbegin(), onBaseHost.cend(), resolvesToTarget));
    }
};

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
    // Validity first: a page in another charset fails in its first line, not after a whole decoding.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    if (QByteArrayView(body).isValidUtf8())
        return utf8.decode(body);
    if (const QByteArray detected = detectedCharset(body); !detected.isEmpty()) {
        QStringDecoder decoder(detected.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    return utf8.decode(body);
}

namespace {

// The search on markup; with asciiOnly, nullopt as soon as a reference that counts holds a character
// beyond ASCII, which only the page's charset can tell.
std::optional<BacklinkStatus> searchPage(QStringView html, QStringView pageUrl, QStringView ownUrl,
                                         QStringView ownBanner, QString* reason, bool asciiOnly)
{
    References links(ownUrl);
    References images(ownBanner);

    // One pass over the tags, no tree: the references that may lead to the owner are kept as
    // written (each once) and resolved at the end, as the first base element with an address counts
    // for the whole page, wherever it stands.
    QString base;
    bool baseFound = false;
    bool cut = false;
    QString decoded;
    HtmlTokenizer tokens(html);
    tokens.readTagsOnly(holdsReference);
    for (HtmlTokenizer::Token token = tokens.next(); token != HtmlTokenizer::Token::End;
         token = tokens.next()) {
        if (token != HtmlTokenizer::Token::StartTag)
            continue;
        const QStringView tag = tokens.tagName();
        References* references = nullptr;
        QStringView attribute;
        if (tag == u"a" || tag == u"area") {
            references = &links;
            attribute = u"href";
        } else if (tag == u"frame" || tag == u"iframe") {
            references = &links;
            attribute = u"src";
        } else if (tag == u"img") {
            references = &images;
            attribute = u"src";
        } else if (tag == u"base" && !baseFound) {
            attribute = u"href";
        } else {
            continue;
        }
        // The attribute may have been among those a tag beyond belief had passed over.
        cut = cut || tokens.attributesCut();
        if (references && references->target.isEmpty())
            continue;
        const QStringView value = tokens.attributeView(attribute, &decoded);
        if (value.isNull())
            continue;
        if (asciiOnly && !QtPrivate::isAscii(value))
            return std::nullopt;
        if (references) {
            references->add(value);
        } else {
            base = value.toString();
            baseFound = true;
        }
    }

    QString resolvedBase = pageUrl.toString();
    if (baseFound) {
        if (const QString resolved = resolveUrl(pageUrl, base); !resolved.isEmpty())
            resolvedBase = resolved;
    }
    const QString baseHost = comparableHost(comparableUrl(resolvedBase));
    if ((!links.target.isEmpty() && links.found(resolvedBase, baseHost)) ||
        (!images.target.isEmpty() && images.found(resolvedBase, baseHost)))
        return BacklinkStatus::Found;
    if (!cut)
        return BacklinkStatus::NotFound;
    if (reason)
        *reason =
            u"ページの作りが普通でない（入れ子が深すぎるか、属性が多すぎる）ため、途中までしか読めません"_s;
    return BacklinkStatus::Unknown;
}

// Whether the charset keeps ASCII as ASCII, every byte of its other characters above 0x3F, so that
// the markup's structure and its ASCII text read the same in it as in Latin-1.
bool keepsAscii(QByteArrayView charset)
{
    const QByteArray name = charset.toByteArray().toLower();
    static const QByteArrayList families{"shift_jis",   "shift-jis", "sjis",     "x-sjis", "windows-31j",
                                         "cp932",       "ms932",     "ms_kanji", "euc-jp", "x-euc-jp",
                                         "utf-8",       "utf8",      "us-ascii", "ascii",  "iso-8859-",
                                         "windows-125", "latin"};
    return std::any_of(families.cbegin(), families.cend(),
                       [&](const QByteArray& family) { return name.startsWith(family); });
}

} // namespace

BacklinkStatus pageLinksBack(QStringView html, QStringView pageUrl, QStringView ownUrl, QStringView ownBanner,
                             QString* reason)
{
    return *searchPage(html, pageUrl, ownUrl, ownBanner, reason, false);
}

std::optional<BacklinkStatus> bodyLinksBack(const QByteArray& body, const QByteArray& contentType,
                                            QStringView pageUrl, QStringView ownUrl, QStringView ownBanner,
                                            QString* reason)
{
    // A charset named that may hide markup bytes in its characters, or bytes that only such a
    // charset has (NUL of UTF-16, the escapes of ISO-2022, HZ's shifts): the page must be decoded.
    QByteArray named = contentTypeCharset(contentType);
    if (named.isEmpty() || !QStringDecoder(named.constData()).isValid()) {
        const QStringDecoder fromPage = QStringDecoder::decoderForHtml(body);
        named = fromPage.isValid() ? QByteArray(fromPage.name()) : QByteArray();
    }
    // Looked for as a string_view finds them, a memchr for the first byte: Qt's search for a
    // needle of two bytes hashes its way through all the body, and took as long as the search.
    const std::string_view bytes(body.constData(), size_t(body.size()));
    if (!keepsAscii(named) || bytes.find('\0') != bytes.npos || bytes.find('\x1B') != bytes.npos ||
        bytes.find("~{") != bytes.npos)
        return std::nullopt;
    return searchPage(QString::fromLatin1(body), pageUrl, ownUrl, ownBanner, reason, true);
}

} // namespace siteloom
