#include "main/main1_messages.h"

#include "listfile/listfile.h"
#include "text/textfile.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace siteloom {

QString fileProblemMessage(const QString& what, const FileError& error)
{
    return what + u'\n' + error.path + u'\n' + error.reason;
}

QString pageInputsProblem(qsizetype entryCount, const QString& fileName)
{
    if (entryCount <= 0)
        return u"項目を追加してください。"_s;
    if (fileName.isEmpty())
        return u"ｈｔｍｌファイル名を入れてください。"_s;
    return {};
}

QString pageWrittenMessage()
{
    return u"作成しました。"_s;
}

QString pageNotWrittenMessage(const QString& path, const FileError& error)
{
    return u"ページを書き込めませんでした。\n%1\n%2"_s.arg(path, error.reason);
}

QString listFileUnreadableMessage(const ListFileReadError& error)
{
    if (error.invalidEncoding) {
        return u"ファイルを読み込めませんでした。\n%1\nShift_JIS（CP932）のテキストファイルではありません。"_s
            .arg(error.file.path);
    }
    return fileProblemMessage(u"ファイルを読み込めませんでした。"_s, error.file);
}

QString listFileLoadMessage(const QString& path, const ListFileContent& content)
{
    if (!content.shortBlock)
        return listFileLoadedMessage();
    return u"ファイルが途中で終わっていました。\n%1\nリストの項目は、%2件のうち%3件だけ読み込みました。"_s
        .arg(QDir::toNativeSeparators(path), content.shortBlock->entriesAnnounced,
             QString::number(content.shortBlock->entriesRead));
}

QString listFileLoadedMessage()
{
    return u"読込み完了"_s;
}

} // namespace siteloom
