#include "linkcheck/checkadvice.h"

#include "linkentry/linkentry.h"

using namespace Qt::StringLiterals;

namespace siteloom {

bool isPlaceholderBanner(QStringView url)
{
    // The stand-in that shows everywhere, and the one of earlier versions on a host that never was.
    return url == QStringView(defaultBannerUrl) || url == QStringView(formerDefaultBannerUrl);
}

namespace {

bool siteAnswered(const EntryCheck& entry)
{
    return entry.site.status == UrlStatus::Ok || entry.site.status == UrlStatus::Redirected;
}

} // namespace

CheckFindings checkFindings(const EntryCheck& entry)
{
    CheckFindings findings;
    for (const UrlCheck* check : {&entry.site, &entry.banner}) {
        switch (check->status) {
        case UrlStatus::Ok:
            break;
        case UrlStatus::Redirected:
        case UrlStatus::Placeholder:
            findings.needsUpdate = true;
            break;
        case UrlStatus::Timeout:
            findings.unconfirmed = true;
            break;
        case UrlStatus::Broken:
        case UrlStatus::Unreachable:
        case UrlStatus::Invalid:
        case UrlStatus::NotImage:
            findings.dead = true;
            break;
        }
    }
    if (isPlaceholderBanner(entry.banner.url))
        findings.needsUpdate = true;
    findings.noBacklink = entry.backlink == BacklinkStatus::NotFound;
    // A site that is gone has no page to read: that its link back is unknown says nothing more.
    findings.unconfirmed =
        findings.unconfirmed || (entry.backlink == BacklinkStatus::Unknown && siteAnswered(entry));
    return findings;
}

QString urlStatusText(const UrlCheck& check, bool banner)
{
    if (banner && isPlaceholderBanner(check.url) &&
        (check.status == UrlStatus::Ok || check.status == UrlStatus::Placeholder))
        return u"要更新（仮のバナー）"_s;
    switch (check.status) {
    case UrlStatus::Ok:
        return u"正常"_s;
    case UrlStatus::Redirected:
        return u"要更新（移転）"_s;
    case UrlStatus::Broken:
        return u"リンク切れ"_s;
    case UrlStatus::Unreachable:
        return u"接続できない"_s;
    case UrlStatus::Timeout:
        return u"応答なし"_s;
    case UrlStatus::Invalid:
        return u"アドレスが不正"_s;
    case UrlStatus::NotImage:
        return u"画像でない"_s;
    case UrlStatus::Placeholder:
        return u"要更新（仮のバナー）"_s;
    }
    return {};
}

QString urlStatusDetail(const UrlCheck& check)
{
    QStringList lines{check.url};
    if (check.httpStatus > 0)
        lines.append(u"HTTP %1"_s.arg(check.httpStatus));
    if (!check.finalUrl.isEmpty())
        lines.append(u"→ "_s + check.finalUrl);
    if (check.hasImage())
        lines.append(u"%1 %2×%3"_s.arg(check.format.toUpper()).arg(check.width).arg(check.height));
    if (check.bytes >= 0)
        lines.append(u"%1 バイト"_s.arg(check.bytes));
    if (!check.error.isEmpty())
        lines.append(check.error);
    return lines.join(u'\n');
}

QString backlinkStatusText(BacklinkStatus status)
{
    switch (status) {
    case BacklinkStatus::Found:
        return u"あり"_s;
    case BacklinkStatus::NotFound:
        return u"相互リンクなし"_s;
    case BacklinkStatus::Unknown:
        return u"確認できず"_s;
    case BacklinkStatus::Skipped:
        return u"確認せず"_s;
    }
    return {};
}

namespace {

QString siteAdvice(const UrlCheck& check)
{
    switch (check.status) {
    case UrlStatus::Ok:
        return {};
    case UrlStatus::Redirected:
        return u"サイトが新しいアドレスに移りました（%1）。「新しいアドレスに更新」で直せます。"_s.arg(
            check.finalUrl);
    case UrlStatus::Broken:
        if (check.httpStatus == 404 || check.httpStatus == 410)
            return u"ページが見つかりません。サイトが閉鎖されたか、アドレスが変わった可能性があります。"_s;
        if (check.httpStatus == 401 || check.httpStatus == 403)
            return u"ページを見ることができません。サイトが非公開になった可能性があります。"_s;
        if (check.httpStatus >= 500)
            return u"サイトのサーバーに障害が起きています。しばらくしてから再確認してください。"_s;
        return u"ページを開けません。アドレスが正しいか確かめてください。"_s;
    case UrlStatus::Unreachable:
        return u"サイトに接続できません。サイトが閉鎖されたか、サーバーが止まっている可能性があります。"_s;
    case UrlStatus::Timeout:
        return u"サイトから時間内に返事がありませんでした。しばらくしてから再確認してください。"_s;
    case UrlStatus::Invalid:
        return u"サイトのアドレスが http:// か https:// で始まっていません。アドレスを直してください。"_s;
    case UrlStatus::NotImage:
    case UrlStatus::Placeholder:
        return {};
    }
    return {};
}

QString bannerAdvice(const UrlCheck& check)
{
    switch (check.status) {
    case UrlStatus::Ok:
        if (isPlaceholderBanner(check.url))
            return u"バナーが仮の画像のままです。相手のサイトのバナーのアドレスを入れてください。"_s;
        return {};
    case UrlStatus::Redirected:
        return u"バナーが新しいアドレスに移りました（%1）。「新しいアドレスに更新」で直せます。"_s.arg(
            check.finalUrl);
    case UrlStatus::Broken:
    case UrlStatus::Unreachable:
        return u"バナーの画像が見つかりません。相手のサイトで今のバナーのアドレスを確かめてください。"_s;
    case UrlStatus::Timeout:
        return u"バナーの画像が時間内に届きませんでした。しばらくしてから再確認してください。"_s;
    case UrlStatus::Invalid:
        return u"バナーのアドレスが http:// か https:// で始まっていません。アドレスを直してください。"_s;
    case UrlStatus::NotImage:
        return u"バナーのアドレスが画像を指していません。相手のサイトで今のバナーのアドレスを確かめてください。"_s;
    case UrlStatus::Placeholder:
        return u"バナーが以前の仮の画像のままで、どのブラウザでも表示されません。"
               u"「新しいアドレスに更新」で、どこでも表示される仮のバナーに置き換えられます。"_s;
    }
    return {};
}

} // namespace

QStringList checkAdvice(const EntryCheck& entry)
{
    QStringList lines;
    for (const QString& line : {siteAdvice(entry.site), bannerAdvice(entry.banner)}) {
        if (!line.isEmpty())
            lines.append(line);
    }
    if (entry.backlink == BacklinkStatus::NotFound)
        lines.append(u"相手のページにこちらへのリンクが見つかりません。"_s);
    else if (entry.backlink == BacklinkStatus::Unknown && siteAnswered(entry))
        lines.append(u"相手のページを読めなかったため、相互リンクを確かめられませんでした。"_s);
    return lines;
}

QString updatedEntry(QStringView line, const EntryCheck& entry)
{
    LinkEntry fields = splitEntry(line);
    bool moved = false;
    if (entry.site.status == UrlStatus::Redirected && !entry.site.finalUrl.isEmpty() &&
        fields.siteUrl != entry.site.finalUrl) {
        fields.siteUrl = entry.site.finalUrl;
        moved = true;
    }
    // The banner URL cannot hold the separator; a new address that does is left to the user.
    if (entry.banner.status == UrlStatus::Redirected && !entry.banner.finalUrl.isEmpty() &&
        !entry.banner.finalUrl.contains(linkSeparator) && fields.bannerUrl != entry.banner.finalUrl) {
        fields.bannerUrl = entry.banner.finalUrl;
        moved = true;
    }
    // The stand-in banner of earlier versions, which shows nowhere, becomes the one that shows.
    if (entry.banner.status == UrlStatus::Placeholder && fields.bannerUrl != QStringView(defaultBannerUrl)) {
        fields.bannerUrl = QString::fromUtf16(defaultBannerUrl);
        moved = true;
    }
    return moved ? composeEntry(fields) : QString();
}

void CheckCounts::add(const CheckFindings& findings)
{
    ++checked;
    dead += findings.dead ? 1 : 0;
    needsUpdate += findings.needsUpdate ? 1 : 0;
    noBacklink += findings.noBacklink ? 1 : 0;
    unconfirmed += findings.unconfirmed ? 1 : 0;
}

QString checkSummary(const CheckCounts& counts, qsizetype entries, bool finished, bool cancelled)
{
    const QString kinds =
        u"リンク切れ %1 件、要更新 %2 件、相互リンクなし %3 件、確認できず %4 件"_s.arg(counts.dead)
            .arg(counts.needsUpdate)
            .arg(counts.noBacklink)
            .arg(counts.unconfirmed);
    if (!finished)
        return u"確認中… %1 件中 %2 件（%3）"_s.arg(entries).arg(counts.checked).arg(kinds);
    if (cancelled)
        return u"中止しました。%1 件中 %2 件を確認しました：%3。"_s.arg(entries)
            .arg(counts.checked)
            .arg(kinds);
    return u"確認が終わりました：%1。"_s.arg(kinds);
}

QString staleResultText()
{
    return u"古い結果"_s;
}

QString staleResultsNotice()
{
    return u"確認のあとでリストが変わりました。「古い結果」の行はもうリストにない項目です。再確認してください。"_s;
}

QString updatedResultText()
{
    return u"新しいアドレスに更新しました。"_s;
}

QString uncheckedAfterStopText()
{
    return u"中止したため確認していません"_s;
}

QString updateUrlUndoText()
{
    return u"新しいアドレスに更新"_s;
}

QString checkCsvSavedMessage(const QString& path)
{
    return u"リンク確認の結果を保存しました。\n%1"_s.arg(path);
}

} // namespace siteloom
