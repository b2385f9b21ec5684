#include "publishmessages.h"

using namespace Qt::StringLiterals;

namespace siteloom {

QString publishStepName(PublishStep step)
{
    switch (step) {
    case PublishStep::Inspect:
        return u"サーバーのページの確認"_s;
    case PublishStep::Upload:
        return u"一時ファイルの送信"_s;
    case PublishStep::Replace:
        return u"ページの置き換え"_s;
    case PublishStep::Record:
        return u"公開の記録"_s;
    case PublishStep::Verify:
        return u"公開アドレスの確認"_s;
    }
    return {};
}

namespace {

QString failureReason(TransferFailure failure)
{
    switch (failure) {
    case TransferFailure::None:
        return {};
    case TransferFailure::Resolve:
        return u"サーバーの名前が見つかりません。アドレスを確かめてください。"_s;
    case TransferFailure::Connect:
        return u"サーバーに接続できません。アドレスとポート、ネットワークを確かめてください。"_s;
    case TransferFailure::Login:
        return u"ログインできません。ユーザー名とパスワード（鍵）を確かめてください。"_s;
    case TransferFailure::Certificate:
        return u"サーバーの証明書を信頼できないため、接続しませんでした。"_s;
    case TransferFailure::Tls:
        return u"暗号化した接続（TLS）を始められませんでした。"_s;
    case TransferFailure::HostKeyUnknown:
        return u"サーバーの鍵（ホスト鍵）がまだ登録されていません。"_s;
    case TransferFailure::HostKeyChanged:
        return u"サーバーの鍵（ホスト鍵）が前回と違います。なりすましのおそれがあるため、接続しませんでした。"
               u"サーバーの管理者に鍵を変えたか確かめてください。"_s;
    case TransferFailure::AccessDenied:
        return u"サーバーが書き込みを許しません。ディレクトリと権限を確かめてください。"_s;
    case TransferFailure::DiskFull:
        return u"サーバーの容量が足りません。不要なファイルを消してください。"_s;
    case TransferFailure::ConnectionLost:
        return u"接続が途中で切れました。"_s;
    case TransferFailure::Server:
        return u"サーバーが要求を断りました。"_s;
    case TransferFailure::Other:
        return u"送信できませんでした。"_s;
    }
    return {};
}

QString detailLine(const QString& detail)
{
    return detail.isEmpty() ? QString() : u"\n（%1）"_s.arg(detail);
}

} // namespace

QString targetProblemMessage(TargetProblem problem)
{
    switch (problem) {
    case TargetProblem::None:
        return {};
    case TargetProblem::Empty:
        return u"公開先のアドレスを指定してください（例: ftp://user@host/dir/）。"_s;
    case TargetProblem::UnknownScheme:
        return u"公開先のアドレスは ftp://、ftps://、sftp://、https://（WebDAV）、http:// のどれかで始めてください。"_s;
    case TargetProblem::NoHost:
        return u"公開先のアドレスにサーバー名がありません。"_s;
    case TargetProblem::NoUser:
        return u"公開先のアドレスにユーザー名を入れてください（例: ftp://user@host/dir/）。"_s;
    case TargetProblem::PasswordInAddress:
        return u"パスワードはアドレスに書かないでください。キーリングか、たずねられたときに入力します。"_s;
    case TargetProblem::NotDirectory:
        return u"公開先のアドレスには、ページを置くディレクトリを指定してください。"_s;
    }
    return {};
}

QString publishStepFailedMessage(PublishStep step, TransferFailure failure, const QString& detail)
{
    return u"「%1」で失敗しました。%2%3\nサーバーのページは元のままです。"_s.arg(
        publishStepName(step), failureReason(failure), detailLine(detail));
}

QString temporaryLeftMessage(const QString& name)
{
    return u"一時ファイル %1 をサーバーから消せませんでした。ほかの方法で消してください。"_s.arg(name);
}

QString remotePageChangedMessage(const RemotePage& recorded, const RemotePage& now)
{
    return u"サーバーのページが、前回の公開のあとで変更されています（前回 %1 バイト、今 %2 バイト）。"
           u"上書きすると、サーバーで直した内容が失われます。上書きしませんでした。\n"
           u"それでも上書きするときは、強制して公開してください（コマンドラインでは --force）。"_s
               .arg(recorded.size)
               .arg(now.size);
}

QString hostKeyUnknownMessage(const QString& host, const QString& fingerprint)
{
    return u"サーバー %1 の鍵（ホスト鍵）はまだ登録されていません。\n指紋: %2\n"
           u"サーバーの管理者が示す指紋と同じときだけ、受け入れてください。"_s.arg(host, fingerprint);
}

QString dryRunMessage(const QString& pageName, qint64 size, const QString& target, const QString& publicUrl)
{
    QString text = u"%1（%2 バイト）を %3 に送ります。"_s.arg(pageName).arg(size).arg(target);
    if (!publicUrl.isEmpty())
        text += u"\n送ったあと %1 で確かめます。"_s.arg(publicUrl);
    return text + u"\n（試しに実行しました。何も送っていません）"_s;
}

QString publishedMessage()
{
    return u"公開しました"_s;
}

QString verifiedMessage()
{
    return u"確認済み"_s;
}

QString noPublicUrlMessage()
{
    return u"公開アドレスが指定されていないため、見る人に届くページを確かめていません。"_s;
}

QString publicFetchFailedMessage(const QString& url, const QString& detail)
{
    return u"公開アドレス %1 のページを取り出せませんでした。%2"_s.arg(url, detailLine(detail));
}

QString publicPageDiffersMessage(const QString& url, qint64 localSize, qint64 publicSize,
                                 qint64 firstDifference)
{
    return u"公開アドレス %1 のページが、送ったページと違います（送ったページ %2 バイト、公開アドレス %3 "
           u"バイト、"
           u"%4 バイト目から違います）。\n"
           u"古いページが返されています。アドレスが公開先と合っているか、サーバーのキャッシュを確かめてください。"_s
               .arg(url)
               .arg(localSize)
               .arg(publicSize)
               .arg(firstDifference);
}

QString publicCharsetMessage(const QString& url, const QString& charset)
{
    return u"公開アドレス %1 のサーバーが、文字コードを %2 と宣言しています。ページは Shift_JIS のため、"
           u"見る人には文字化けして見えます。\n"
           u"サーバーの .htaccess に「AddDefaultCharset Shift_JIS」と書くか、サーバーの管理者に相談してください。"_s
               .arg(url, charset);
}

QString passwordPrompt(const QString& target)
{
    return u"%1 のパスワード: "_s.arg(target);
}

} // namespace siteloom
