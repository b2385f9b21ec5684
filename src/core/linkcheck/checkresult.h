#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace siteloom {

// What the link check found for one address: a site or a banner.
enum class UrlStatus {
    Ok,          // a 2xx answer
    Redirected,  // reached through a permanent redirect (301 or 308): the entry should be updated
    Broken,      // the final answer is 4xx or 5xx
    Unreachable, // name lookup, connection or TLS failure
    Timeout,     // no answer within the time limit
    Invalid,     // not an absolute http or https address
    NotImage,    // a banner that answered with something no image reader can read
};

// Whether the partner's page links back to the owner's site.
enum class BacklinkStatus {
    Found,    // a link to the owner's address or the owner's banner is on the page
    NotFound, // the page was read and holds neither
    Unknown,  // the page could not be read or is not HTML
    Skipped,  // the owner's address is not filled in
};

struct UrlCheck
{
    QString url;
    UrlStatus status = UrlStatus::Invalid;
    int httpStatus = 0; // 0 when no answer came
    QString finalUrl;   // where the redirects ended, when there were any
    QString error;      // why, for unreachable, timeout and invalid
    // A banner that reads as an image: its format ("gif", "png", "jpeg", ...) and size in pixels.
    QString format;
    int width = -1;
    int height = -1;
    qint64 bytes = -1; // the body's length, when known

    [[nodiscard]] bool hasImage() const { return !format.isEmpty(); }
    // 88×31 and 200×40, the sizes link pages expect of a banner.
    [[nodiscard]] bool usualBannerSize() const;
};

struct EntryCheck
{
    int index = 0; // 1-based, in list order
    QString name;
    UrlCheck site;
    UrlCheck banner;
    BacklinkStatus backlink = BacklinkStatus::Skipped;
};

// The keywords of the command line and its JSON ("ok", "not-image", "not-found", ...).
[[nodiscard]] QString statusKeyword(UrlStatus status);
[[nodiscard]] QString statusKeyword(BacklinkStatus status);
// The words of the window and its CSV file.
[[nodiscard]] QString statusLabel(UrlStatus status);
[[nodiscard]] QString statusLabel(BacklinkStatus status);

// A result the user has to act on: anything but ok, redirected, found, unknown and skipped.
[[nodiscard]] bool isProblem(UrlStatus status);
[[nodiscard]] bool isProblem(BacklinkStatus status);
[[nodiscard]] bool hasProblem(const EntryCheck& entry);
[[nodiscard]] int problemCount(const QList<EntryCheck>& entries);

// The details column: final addresses, image formats and sizes, reasons, in Japanese.
[[nodiscard]] QString checkDetails(const EntryCheck& entry);

// The whole result as the command line prints it: one JSON object, or a table of one tab-separated
// line per entry (number, name, site, banner, backlink, details).
[[nodiscard]] QByteArray checkJson(const QList<EntryCheck>& entries);
[[nodiscard]] QString checkTable(const QList<EntryCheck>& entries);
// The same as the window shows it, as CSV lines (RFC 4180 quoting) with a heading line.
[[nodiscard]] QString checkCsv(const QList<EntryCheck>& entries);

} // namespace siteloom
