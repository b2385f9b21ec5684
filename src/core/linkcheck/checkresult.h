#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace siteloom {

// What the link check found for one address: a site or a banner.
enum class UrlStatus : quint8 {
    Ok,          // a 2xx answer
    Redirected,  // reached through a permanent redirect (301 or 308): the entry should be updated
    Broken,      // the final answer is 4xx or 5xx
    Unreachable, // name lookup, connection or TLS failure
    Timeout,     // no answer within the time limit
    Invalid,     // not an absolute http or https address
    NotImage,    // a banner that answered with something no image reader can read
    Placeholder, // the stand-in banner of earlier versions, on a host that never existed
};

// Whether the partner's page links back to the owner's site.
enum class BacklinkStatus : quint8 {
    Found,    // a link to the owner's address or the owner's banner is on the page
    NotFound, // the page was read and holds neither
    Unknown,  // the page could not be read or is not HTML
    Skipped,  // the owner's address is not filled in
};

// One address's result as a reader sees it, put together by CheckResults::at.
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
    QString backlinkReason; // why it is unknown, when the page was read but not whole
    QString foundAt;        // the page the link back was found on: the site's own, or its link page
};

// A whole check's results, kept small, as a check of thousands of entries holds them until it is
// saved: the name and the addresses are not copied but read from the entry lines, which are shared
// with the caller's list; a reason given by many results is kept once.
class CheckResults
{
public:
    CheckResults() = default;
    // One result per line, none checked yet.
    explicit CheckResults(const QStringList& entries);

    [[nodiscard]] qsizetype size() const { return m_rows.size(); }
    [[nodiscard]] EntryCheck at(qsizetype row) const;
    [[nodiscard]] bool isChecked(qsizetype row) const { return m_rows[row].checked; }
    [[nodiscard]] bool hasProblem(qsizetype row) const;
    // Among the rows checked.
    [[nodiscard]] int problemCount() const;

    // The address itself is the line's; check.url is not looked at.
    void setUrlCheck(qsizetype row, bool banner, const UrlCheck& check);
    void setBacklink(qsizetype row, BacklinkStatus status, const QString& reason = {},
                     const QString& foundAt = {});
    void setChecked(qsizetype row) { m_rows[row].checked = true; }

private:
    struct Answer
    {
        qint64 bytes = -1;
        qint32 width = -1;
        qint32 height = -1;
        qint32 note = -1; // into m_notes
        quint16 httpStatus = 0;
        UrlStatus status = UrlStatus::Invalid;
        quint8 format = 0; // 1 + its index in m_formats; 0 for none (Qt reads far fewer than 255)
    };
    struct Row
    {
        Answer site;
        Answer banner;
        qint32 backlinkNote = -1; // into m_notes
        BacklinkStatus backlink = BacklinkStatus::Skipped;
        bool checked = false;
    };
    // What only a few results have: a final address or a reason.
    struct Note
    {
        QString finalUrl;
        QString error;
    };
    [[nodiscard]] UrlCheck urlCheck(const Answer& answer, QStringView url) const;
    [[nodiscard]] qint32 reasonNote(const QString& reason);

    QStringList m_entries;
    QList<Row> m_rows;
    QList<Note> m_notes;
    QHash<QString, qint32> m_reasons; // the notes that give a reason alone
    QStringList m_formats;
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

// The details column: final addresses, image formats and sizes, reasons, in Japanese.
[[nodiscard]] QString checkDetails(const EntryCheck& entry);

// The whole result as the command line prints it: one JSON object, or a table of one tab-separated
// line per entry (number, name, site, banner, backlink, details). Control characters (a name may hold
// any) are written as escapes such as \u001B in both, so that none reaches a terminal as it is.
[[nodiscard]] QByteArray checkJson(const CheckResults& results);
// The same JSON handed to write piece by piece, an entry at a time, so that it is never held whole;
// stops at the first piece write refuses, and returns false then.
[[nodiscard]] bool writeCheckJson(const CheckResults& results,
                                  const std::function<bool(QByteArrayView)>& write);
[[nodiscard]] QString checkTable(const CheckResults& results);

// What the window says when the entry of a result row the user picked is no longer in the list.
[[nodiscard]] QString checkedEntryGoneMessage(QStringView entry);

} // namespace siteloom
