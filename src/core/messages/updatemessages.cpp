#include "messages/updatemessages.h"

#include "text/safewrite.h"
#include "updates/updateresult.h"

using namespace Qt::StringLiterals;

namespace siteloom {

QString updateStatusText(UpdateStatus status)
{
    switch (status) {
    case UpdateStatus::Updated:
        return u"更新"_s;
    case UpdateStatus::Unchanged:
        return u"変化なし"_s;
    case UpdateStatus::New:
        return u"初回"_s;
    case UpdateStatus::Unknown:
        return u"不明"_s;
    case UpdateStatus::Error:
        return u"エラー"_s;
    }
    return {};
}

QString updatedPageText()
{
    return u"ページ"_s;
}

QString updateRobotsForbidReason()
{
    return u"robots.txt でこのツールが読むことを禁じられています。"_s;
}

QString updateNotHtmlReason()
{
    return u"HTML のページではありません。"_s;
}

QString updateNotWebAddressReason()
{
    return u"http または https のアドレスではありません。"_s;
}

QString updateHttpStatusReason(int status)
{
    return u"サーバーが HTTP %1 を返しました。"_s.arg(status);
}

QString updateTooLargeReason()
{
    return u"ページが大きすぎるため、最後まで読みませんでした。"_s;
}

QString updateTimeoutReason()
{
    return u"時間内に読み終わりませんでした。"_s;
}

QString updateNoAnswerReason(const QString& networkReason)
{
    return u"サイトに接続できませんでした（%1）。"_s.arg(networkReason);
}

QString updateMovedText(const QString& url)
{
    return u"移転先: %1"_s.arg(url);
}

QString updateColumnTitle(int column)
{
    static const QString titles[] = {u"サイト名"_s, u"状態"_s, u"更新日時"_s, u"内容"_s};
    return column >= 0 && column < 4 ? titles[column] : QString();
}

QString updateStateNotWrittenMessage(const FileError& error)
{
    return u"更新チェックの記録を保存できませんでした。次のチェックではすべてのサイトが初回になります。\n%1\n%2"_s
        .arg(error.path, error.reason);
}

QString updatesPageTitle()
{
    return u"リンク先の更新"_s;
}

QString updatesPageNotWrittenMessage(const FileError& error)
{
    return u"更新ページを書き込めませんでした。\n%1\n%2"_s.arg(error.path, error.reason);
}

QString updatesReportNotWrittenMessage(const QString& reason)
{
    return u"更新チェックの結果を書き出せませんでした（%1）。"_s.arg(reason);
}

QString updatesWindowTitle()
{
    return u"更新チェック"_s;
}

QString updatesMenuText()
{
    return u"更新チェック"_s;
}

QString updatesStopCaption()
{
    return u"中止"_s;
}

QString updatesRunCaption()
{
    return u"チェック"_s;
}

QString updatedOnlyCaption()
{
    return u"更新だけ表示"_s;
}

QString updatesPageCaption()
{
    return u"更新ページ作成"_s;
}

QString updatesTimerCaption()
{
    return u"自動チェックの間隔:"_s;
}

QString updatesTimerSuffix()
{
    return u" 時間"_s;
}

QString updatesProgressText(int done, int total)
{
    return u"確認中 %1/%2"_s.arg(done).arg(total);
}

QString updatesEndedText(int done, int total, bool cancelled)
{
    return (cancelled ? u"中止 %1/%2"_s : u"確認済み %1/%2"_s).arg(done).arg(total);
}

QString updatesSummaryText(int entries, int updated, int unknown)
{
    return u"%1 件中 更新 %2 件、不明 %3 件"_s.arg(entries).arg(updated).arg(unknown);
}

QString updatesPageWrittenMessage(const QString& path)
{
    return u"更新ページを書き込みました。\n%1"_s.arg(path);
}

} // namespace siteloom
