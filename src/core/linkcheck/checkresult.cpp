#include "linkcheck/checkresult.h"

#include "text/csv.h"

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
};
constexpr StatusNames backlinkStatusNames[] = {
    {u"found", u"あり"}, {u"not-found", u"なし"}, {u"unknown", u"不明"}, {u"skipped", u"確認せず"}};
static_assert(std::size(urlStatusNames) == size_t(UrlStatus::NotImage) + 1);
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

bool hasProblem(const EntryCheck& entry)
{
    return isProblem(entry.site.status) || isProblem(entry.banner.status) || isProblem(entry.backlink);
}

int problemCount(const QList<EntryCheck>& entries)
{
    return int(std::count_if(entries.cbegin(), entries.cend(), hasProblem));
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
    return parts.join(u" / "_s);
}

QByteArray checkJson(const QList<EntryCheck>& entries)
{
    QJsonArray list;
    for (const EntryCheck& entry : entries) {
        list.append(QJsonObject{{u"index"_s, entry.index},
                                {u"name"_s, entry.name},
                                {u"site"_s, urlJson(entry.site, false)},
                                {u"banner"_s, urlJson(entry.banner, true)},
                                {u"backlink"_s, QJsonObject{{u"status"_s, statusKeyword(entry.backlink)}}}});
    }
    const QJsonObject summary{{u"entries"_s, int(entries.size())}, {u"problems"_s, problemCount(entries)}};
    return QJsonDocument(QJsonObject{{u"entries"_s, list}, {u"summary"_s, summary}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

QString checkTable(const QList<EntryCheck>& entries)
{
    QString text;
    for (const EntryCheck& entry : entries) {
        text += QString::number(entry.index) + u'\t' + entry.name + u'\t' + statusKeyword(entry.site.status) +
                u'\t' + statusKeyword(entry.banner.status) + u'\t' + statusKeyword(entry.backlink) + u'\t' +
                checkDetails(entry) + u'\n';
    }
    return text;
}

QString checkCsv(const QList<EntryCheck>& entries)
{
    QString text = u"番号,サイト名,サイト,サイトの URL,バナー,バナーの URL,相互リンク,詳細\r\n"_s;
    for (const EntryCheck& entry : entries) {
        const QStringList fields = {QString::number(entry.index),     entry.name,
                                    statusLabel(entry.site.status),   entry.site.url,
                                    statusLabel(entry.banner.status), entry.banner.url,
                                    statusLabel(entry.backlink),      checkDetails(entry)};
        QStringList quoted;
        for (const QString& field : fields)
            quoted.append(csvField(field));
        text += quoted.join(u',') + u"\r\n"_s;
    }
    return text;
}

} // namespace siteloom
