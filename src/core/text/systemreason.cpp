#include "text/systemreason.h"

#include <cerrno>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

struct Reason
{
    int errnoValue;
    const char16_t* text;
};

// The reasons a file operation of the tool may meet, as Qt's Japanese translation words those it has.
constexpr Reason reasons[] = {
    {ENOENT, u"そのようなファイルやディレクトリはありません"},
    {EACCES, u"許可されていません"},
    {EPERM, u"許可されていません"},
    {EISDIR, u"ディレクトリです"},
    {ENOTDIR, u"ディレクトリではありません"},
    {ENOSPC, u"デバイスに空き容量がありません"},
    {EDQUOT, u"ディスク使用量の上限を超えました"},
    {EFBIG, u"ファイルが大きすぎます"},
    {EROFS, u"読み込み専用のファイルシステムです"},
    {ENAMETOOLONG, u"ファイル名が長すぎます"},
    {ELOOP, u"シンボリックリンクが多すぎます（循環しています）"},
    {EMFILE, u"開かれたファイルが多すぎます"},
    {ENFILE, u"開かれたファイルが多すぎます"},
    {ENOMEM, u"メモリが足りません"},
    {EIO, u"入出力エラーです"},
    {EEXIST, u"ファイルがすでにあります"},
    {ENOTEMPTY, u"ディレクトリが空ではありません"},
    {EBUSY, u"使用中です"},
    {ETXTBSY, u"使用中です"},
    {EXDEV, u"別のファイルシステムをまたいでいます"},
    {ENXIO, u"そのようなデバイスはありません"},
    {ENODEV, u"そのようなデバイスはありません"},
    {EAGAIN, u"一時的に使えません"},
    {EINTR, u"中断されました"},
    {EINVAL, u"この操作はできません"},
};

} // namespace

QString systemReason(int errnoValue)
{
    for (const Reason& reason : reasons) {
        if (reason.errnoValue == errnoValue)
            return QString::fromUtf16(reason.text);
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
