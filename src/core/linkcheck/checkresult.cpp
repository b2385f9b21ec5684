#include "linkcheck/checkresult.h"

#include "linkentry/linkentry.h"
#include "text/trim.h"
#include "weburl/weburl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace siteloom {

bool UrlCheck::usualBannerSize() const
{
    return (width == 88 && height == 31) || (width == 200 && height == 40);
}

namespace {

// Each status's keyword and label, in the order of its enum.
struct StatusNames
{
    const char16_t* keyword;
    const char16_t* label;
};
constexpr StatusNames urlStatusNames[] = {
    {u"ok", u"正常"},
    {u"redirected", u"移転"},
    {u"broken", u"リンク切れ"},
    {u"unreachable", u"接続できない"},
    {u"timeout", u"時間切れ"},
    {u"invalid", u"URL が不正"},
    {u"not-image", u"画像でない"},
    {u"placeholder", u"仮のバナー"},
};
constexpr StatusNames backlinkStatusNames[] = {
    {u"found", u"あり"}, {u"not-found", u"なし"}, {u"unknown", u"不明"}, {u"skipped", u"確認せず"}};
static_assert(std::size(urlStatusNames) == size_t(UrlStatus::Placeholder) + 1);
static_assert(std::size(backlinkStatusNames) == size_t(BacklinkStatus::Skipped) + 1);

} // namespace

QString statusKeyword(UrlStatus status)
{
    return QString::fromUtf16(urlStatusNames[int(status)].keyword);
}

QString statusKeyword(BacklinkStatus status)
{
    return QString::fromUtf16(backlinkStatusNames[int(status)].keyword);
}

QString statusLabel(UrlStatus status)
{
    return QString::fromUtf16(urlStatusNames[int(status)].label);
}

QString statusLabel(BacklinkStatus status)
{
    return QString::fromUtf16(backlinkStatusNames[int(status)].label);
}

bool isProblem(UrlStatus status)
{
    return status != UrlStatus::Ok && status != UrlStatus::Redirected;
}

bool isProblem(BacklinkStatus status)
{
    return status == BacklinkStatus::NotFound;
}

CheckResults::CheckResults(const QStringList& entries) : m_entries(entries), m_rows(entries.size()) {}

UrlCheck CheckResults::urlCheck(const Answer& answer, QStringView url) const
{
    UrlCheck check;
    check.url = url.toString();
    check.status = answer.status;
    check.httpStatus = answer.httpStatus;
    if (answer.note >= 0) {
        check.finalUrl = m_notes[answer.note].finalUrl;
        check.error = m_notes[answer.note].error;
    }
    if (answer.format > 0)
        check.format = m_formats[answer.format - 1];
    check.width = answer.width;
    check.height = answer.height;
    check.bytes = answer.bytes;
    return check;
}

EntryCheck CheckResults::at(qsizetype row) const
{
    const LinkEntryView line = splitEntryView(m_entries[row]);
    const Row& stored = m_rows[row];
    return {int(row + 1),
            line.siteName.toString(),
            urlCheck(stored.site, line.siteUrl),
            urlCheck(stored.banner, line.bannerUrl),
            stored.backlink,
            stored.backlinkNote >= 0 ? m_notes[stored.backlinkNote].error : QString(),
            stored.backlinkNote >= 0 ? m_notes[stored.backlinkNote].finalUrl : QString()};
}

bool CheckResults::hasProblem(qsizetype row) const
{
    const Row& stored = m_rows[row];
    return stored.checked &&
           (isProblem(stored.site.status) || isProblem(stored.banner.status) || isProblem(stored.backlink));
}

int CheckResults::problemCount() const
{
    int count = 0;
    for (qsizetype row = 0; row < m_rows.size(); ++row)
        count += hasProblem(row) ? 1 : 0;
    return count;
}

void CheckResults::setUrlCheck(qsizetype row, bool banner, const UrlCheck& check)
{
    Answer& answer = banner ? m_rows[row].banner : m_rows[row].site;
    answer.status = check.status;
    answer.httpStatus = quint16(check.httpStatus);
    answer.width = check.width;
    answer.height = check.height;
    answer.bytes = check.bytes;
    answer.format = 0;
    if (!check.format.isEmpty()) {
        qsizetype format = m_formats.indexOf(check.format);
        if (format < 0 && m_formats.size() < 255) {
            format = m_formats.size();
            m_formats.append(check.format);
        }
        answer.format = quint8(format + 1);
    }
    answer.note = -1;
    if (!check.finalUrl.isEmpty()) {
        // The entries that share an address are given its answer one after the other.
        if (m_notes.isEmpty() || m_notes.last().finalUrl != check.finalUrl ||
            m_notes.last().error != check.error)
            m_notes.append({check.finalUrl, check.error});
        answer.note = qint32(m_notes.size() - 1);
    } else if (!check.error.isEmpty()) {
        answer.note = reasonNote(check.error);
    }
}

void CheckResults::setBacklink(qsizetype row, BacklinkStatus status, const QString& reason,
                               const QString& foundAt)
{
    m_rows[row].backlink = status;
    m_rows[row].backlinkNote = reason.isEmpty() ? -1 : reasonNote(reason);
    if (!foundAt.isEmpty()) { // the note of a final address holds where the link back stands
        m_notes.append({foundAt, reason});
        m_rows[row].backlinkNote = qint32(m_notes.size() - 1);
    }
}

qint32 CheckResults::reasonNote(const QString& reason)
{
    auto found = m_reasons.constFind(reason);
    if (found == m_reasons.cend()) {
        found = m_reasons.insert(reason, qint32(m_notes.size()));
        m_notes.append({{}, reason});
    }
    return *found;
}

namespace {

QString urlDetails(const QString& what, const UrlCheck& check)
{
    QStringList parts;
    if (check.status == UrlStatus::NotImage)
        parts.append(u"画像として読めません"_s);
    else if (check.httpStatus > 0 && check.status != UrlStatus::Ok)
        parts.append(u"HTTP %1"_s.arg(check.httpStatus));
    if (!check.finalUrl.isEmpty())
        parts.append(u"→ "_s + check.finalUrl);
    if (check.hasImage()) {
        QString image = u"%1 %2×%3"_s.arg(check.format.toUpper()).arg(check.width).arg(check.height);
        if (check.bytes >= 0)
            image += u" %1 バイト"_s.arg(check.bytes);
        if (!check.usualBannerSize())
            image += u"（普通のバナーの大きさではない）"_s;
        parts.append(image);
    }
    if (!check.error.isEmpty())
        parts.append(check.error);
    return parts.isEmpty() ? QString() : what + u": "_s + parts.join(u' ');
}

QJsonObject backlinkJson(const EntryCheck& entry)
{
    QJsonObject object{{u"status"_s, statusKeyword(entry.backlink)}};
    if (!entry.foundAt.isEmpty())
        object.insert(u"foundAt"_s, entry.foundAt);
    if (!entry.backlinkReason.isEmpty())
        object.insert(u"error"_s, entry.backlinkReason);
    return object;
}

// The text with each control character (C0, DEL, C1) written as \u and four hex digits, as JSON
// writes it.
QString visibleControls(const QString& text)
{
    QString shown;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (isControlCharacter(code))
            shown += u"\\u"_s + QString::number(code, 16).toUpper().rightJustified(4, u'0');
        else
            shown += c;
    }
    return shown;
}

QJsonObject urlJson(const UrlCheck& check, bool banner)
{
    QJsonObject object{{u"url"_s, check.url}, {u"status"_s, statusKeyword(check.status)}};
    if (check.httpStatus > 0)
        object.insert(u"httpStatus"_s, check.httpStatus);
    if (!check.finalUrl.isEmpty())
        object.insert(u"finalUrl"_s, check.finalUrl);
    if (check.hasImage()) {
        object.insert(u"format"_s, check.format);
        object.insert(u"width"_s, check.width);
        object.insert(u"height"_s, check.height);
    }
    if (check.bytes >= 0)
        object.insert(u"bytes"_s, check.bytes);
    if (banner && check.hasImage())
        object.insert(u"usualSize"_s, check.usualBannerSize());
    if (!check.error.isEmpty())
        object.insert(u"error"_s, check.error);
    return object;
}

} // namespace

QString checkDetails(const EntryCheck& entry)
{
    QStringList parts;
    for (const QString& part : {urlDetails(u"サイト"_s, entry.site), urlDetails(u"バナー"_s, entry.banner)}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    if (!entry.foundAt.isEmpty() && !sameWebUrl(entry.foundAt, entry.site.url) &&
        !sameWebUrl(entry.foundAt, entry.site.finalUrl))
        parts.append(u"相互リンク: "_s + entry.foundAt);
    if (!entry.backlinkReason.isEmpty())
        parts.append(u"相互リンク: "_s + entry.backlinkReason);
    return parts.join(u" / "_s);
}

namespace {

// Compact JSON with DEL and the C1 controls escaped as well: JSON escapes C0 controls itself; DEL
// and the C1 controls (which a terminal may take as the start of a command too) stand only inside
// strings, where an escape means the same.
QByteArray visibleJson(const QJsonObject& object)
{
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray escaped;
    escaped.reserve(json.size());
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto byte = quint8(json[i]);
        if (byte == 0x7F) {
            escaped += "\\u007F";
        } else if (byte == 0xC2 && i + 1 < json.size() && quint8(json[i + 1]) >= 0x80 &&
                   quint8(json[i + 1]) <= 0x9F) {
            escaped += "\\u00" + QByteArray::number(quint8(json[++i]), 16).toUpper();
        } else {
            escaped += char(byte);
        }
    }
    return escaped;
}

} // namespace

bool writeCheckJson(const CheckResults& results, const std::function<bool(QByteArrayView)>& write)
{
    // One entry at a time, so that a check of any size holds one entry's JSON, never the whole
    // document. The keys are in the order QJsonDocument writes them, as one document would be.
    if (!write("{\"entries\":["))
        return false;
    for (qsizetype row = 0; row < results.size(); ++row) {
        const EntryCheck entry = results.at(row);
        const QByteArray json = visibleJson(QJsonObject{{u"index"_s, entry.index},
                                                        {u"name"_s, entry.name},
                                                        {u"site"_s, urlJson(entry.site, false)},
                                                        {u"banner"_s, urlJson(entry.banner, true)},
                                                        {u"backlink"_s, backlinkJson(entry)}});
        if ((row > 0 && !write(",")) || !write(json))
            return false;
    }
    const QJsonObject summary{{u"entries"_s, int(results.size())}, {u"problems"_s, results.problemCount()}};
    return write("],\"summary\":") && write(visibleJson(summary)) && write("}\n");
}

QByteArray checkJson(const CheckResults& results)
{
    QByteArray json;
    (void)writeCheckJson(results, [&json](QByteArrayView piece) {
        json += piece;
        return true;
    });
    return json;
}

QString checkTable(const CheckResults& results)
{
    QString text;
    for (qsizetype row = 0; row < results.size(); ++row) {
        const EntryCheck entry = results.at(row);
        text += QString::number(entry.index) + u'\t' + visibleControls(entry.name) + u'\t' +
                statusKeyword(entry.site.status) + u'\t' + statusKeyword(entry.banner.status) + u'\t' +
                statusKeyword(entry.backlink) + u'\t' + visibleControls(checkDetails(entry)) + u'\n';
    }
    return text;
}

QString checkedEntryGoneMessage(QStringView entry)
{
    return u"「%1」はもうリストにありません。リンク確認のあとで削除されたか、書き換えられています。"_s.arg(
        splitEntryView(entry).siteName);
}

} // namespace siteloom
