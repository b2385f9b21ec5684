#pragma once

#include "linkcheck/checkresult.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace siteloom {

// A partner's page as a browser reads it: the charset the server names in its Content-Type, else
// the one the page names in its meta element (or its byte-order mark), else the one a detector
// finds in the bytes (Japanese pages are often Shift_JIS or EUC-JP without saying so).
[[nodiscard]] QString decodePartnerPage(const QByteArray& body, const QByteArray& contentType);

// The charset a Content-Type header names ("text/html; charset=Shift_JIS"), or "".
[[nodiscard]] QByteArray contentTypeCharset(const QByteArray& contentType);

// True when the Content-Type is HTML (or missing, as a browser then sniffs and finds HTML in a page).
[[nodiscard]] bool isHtmlContentType(const QByteArray& contentType);

// Found when the page, read at pageUrl, links to ownUrl (a, area, frame, iframe) or shows the image
// ownBanner (img): references are resolved against the page (and its first base element with an
// address) and compared as browsers compare addresses. The page is read tag by tag as a browser's
// tokenizer reads it (comments and scripts passed over, references decoded), without building its
// tree. An owner's banner that is not a web address is not looked for. NotFound when the whole page
// was read without either; Unknown, with *reason (if given) saying why, when a tag that could hold
// the link had more attributes than were read.
[[nodiscard]] BacklinkStatus pageLinksBack(QStringView html, QStringView pageUrl, QStringView ownUrl,
                                           QStringView ownBanner, QString* reason = nullptr);

// The same search on the page's bytes, without decoding them, where that gives the same answer:
// the page in a charset that keeps ASCII as it is (Shift_JIS, EUC-JP, UTF-8, the ISO-8859 and
// Windows single-byte sets), and every reference that counts written in ASCII (escapes and
// character references included). Nullopt when the page has to be decoded for the answer.
[[nodiscard]] std::optional<BacklinkStatus> bodyLinksBack(const QByteArray& body,
                                                          const QByteArray& contentType, QStringView pageUrl,
                                                          QStringView ownUrl, QStringView ownBanner,
                                                          QString* reason = nullptr);

} // namespace siteloom
