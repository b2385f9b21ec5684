#include "text/systemreason.h"

#include <cerrno>

using namespace Qt::StringLiterals;

namespace siteloom {

QString systemReason(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return u"そのようなファイルやディレクトリはありません"_s;
    case EACCES:
    case EPERM:
        return u"許可されていません"_s;
    case EISDIR:
        return u"ディレクトリです"_s;
    case ENOTDIR:
        return u"ディレクトリではありません"_s;
    case ENOSPC:
        return u"デバイスに空き容量がありません"_s;
    case EDQUOT:
        return u"ディスク使用量の上限を超えました"_s;
    case EFBIG:
        return u"ファイルが大きすぎます"_s;
    case EROFS:
        return u"読み込み専用のファイルシステムです"_s;
    case ENAMETOOLONG:
        return u"ファイル名が長すぎます"_s;
    case ELOOP:
        return u"シンボリックリンクが多すぎます（循環しています）"_s;
    case EMFILE:
    case ENFILE:
        return u"開かれたファイルが多すぎます"_s;
    case ENOMEM:
        return u"メモリが足りません"_s;
    case EIO:
        return u"入出力エラーです"_s;
    case EEXIST:
        return u"ファイルがすでにあります"_s;
    case ENOTEMPTY:
        return u"ディレクトリが空ではありません"_s;
    case EBUSY:
    case ETXTBSY:
        return u"使用中です"_s;
    case EXDEV:
        return u"別のファイルシステムをまたいでいます"_s;
    case ENXIO:
    case ENODEV:
        return u"そのようなデバイスはありません"_s;
    case EAGAIN:
        return u"一時的に使えません"_s;
    case EINTR:
        return u"中断されました"_s;
    case EINVAL:
        return u"この操作はできません"_s;
    default:
        break;
    }
    return u"システムのエラーです（エラー番号 %1）"_s.arg(errnoValue);
}

QString systemReason(int errnoValue, const QString& path)
{
    if (errnoValue == ENOENT && path.contains(QChar::ReplacementCharacter))
        return u"ファイルかディレクトリの名前が UTF-8 ではありません（Shift_JIS の名前など）。"
               u"名前を付け直してから開いてください"_s;
    return systemReason(errnoValue);
}

} // namespace siteloom
