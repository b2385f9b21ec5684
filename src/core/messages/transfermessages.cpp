#include "messages/transfermessages.h"

#include "html/htmltokenizer.h"
#include "importing/holdback.h"
#include "importing/importedlink.h"
#include "importing/importsource.h"
#include "listfile/listfile.h"
#include "messages/messages.h"

using namespace Qt::StringLiterals;

namespace siteloom {

QString importSourceProblemMessage(const ImportSourceError& error)
{
    switch (error.problem) {
    case ImportSourceError::TooLarge:
        return u"ファイルが大きすぎます。\n%1"_s.arg(error.file.path);
    case ImportSourceError::NotRecognised:
        return u"ブックマークファイルでも、このソフトで作成したページでもありません。\n%1"_s.arg(
            error.file.path);
    case ImportSourceError::PageChanged:
        return u"このソフトで作成したページですが、作成後に書き換えられているため読み込めません。\n%1"_s.arg(
            error.file.path);
    case ImportSourceError::File:
        break;
    }
    return fileProblemMessage(u"ファイルを読み込めませんでした。"_s, error.file);
}

QString importSourceNotRegularMessage(const QString& path, NotRegularFile kind)
{
    QString what = u"特殊なファイル"_s;
    switch (kind) {
    case NotRegularFile::Directory:
        what = u"フォルダ"_s;
        break;
    case NotRegularFile::Fifo:
        what = u"名前付きパイプ（FIFO）"_s;
        break;
    case NotRegularFile::Device:
        what = u"デバイス"_s;
        break;
    case NotRegularFile::Other:
        break;
    }
    return fileProblemMessage(u"ファイルを読み込めませんでした。"_s,
                              FileError{path, u"%1で、普通のファイルではありません"_s.arg(what)});
}

QString holdBackNote(const HoldBack& holdBack)
{
    switch (holdBack.reason) {
    case HoldBack::None:
        break;
    case HoldBack::Unsavable:
        return u"Shift_JIS で表せない文字「%1」（U+%2）があります"_s.arg(
            QString::fromUcs4(&holdBack.character, 1),
            QString::number(uint(holdBack.character), 16).toUpper().rightJustified(4, u'0'));
    case HoldBack::TooLong:
        return u"長すぎます（%1文字。入力欄には%2文字までしか入りません）"_s.arg(holdBack.length)
            .arg(textBoxCapacity);
    case HoldBack::SeparatorInField:
        return u"バナーＵＲＬかＨＰ名に「：」があります（項目がそこで分かれてしまいます）"_s;
    case HoldBack::AlreadyInList:
        return u"リストの%1番目と同じＵＲＬです"_s.arg(holdBack.other + 1);
    case HoldBack::EarlierInImport:
        return u"取り込む%1番目と同じＵＲＬです"_s.arg(holdBack.other + 1);
    }
    return {};
}

QString skippedLinksNote(int skipped)
{
    return u"http・https 以外のリンク %1 件は取り込みません。"_s.arg(skipped);
}

QString noSuchFolderMessage(const QString& folder)
{
    return u"ブックマークにフォルダ「%1」がありません。"_s.arg(folder);
}

QString exportNotWrittenMessage(const FileError& error)
{
    return fileProblemMessage(u"書き出せませんでした。"_s, error);
}

QString exportWouldReplaceListFileMessage(const QString& path)
{
    return u"書き出すファイルがリストファイルと同じファイルを指しているため、書き出しませんでした"
           u"（リストファイルが消えてしまいます）。\n%1\n別のファイルを指定してください。"_s.arg(path);
}

QString listFileHasNoEntriesMessage(const QString& path)
{
    return u"リストファイルに項目がありません。\n%1"_s.arg(path);
}

QString importedListExistsMessage(const QString& path)
{
    return u"リストファイルがすでにあります。上書きはしません。\n%1"_s.arg(path);
}

QString importedListEmptyMessage()
{
    return u"リストファイルに書ける項目がありません。"_s;
}

QString importedListNotSavedMessage(const QString& path, const ListFileSaveError& error)
{
    if (error.file.exists)
        return importedListExistsMessage(path);
    return listFileNotSavedMessage(error);
}

QString checkReportNotWrittenMessage(const QString& reason)
{
    return u"確認の結果を標準出力に書き出せませんでした。\n%1"_s.arg(reason);
}

QString exportWrittenMessage()
{
    return u"書き出しました。"_s;
}

QString importCutNote(const LinkImport& import)
{
    if (!import.unreadLines.isEmpty()) {
        QStringList runs; // "12", "30–35"
        for (qsizetype i = 0; i < import.unreadLines.size();) {
            qsizetype last = i;
            while (last + 1 < import.unreadLines.size() &&
                   import.unreadLines[last + 1] == import.unreadLines[last] + 1)
                ++last;
            runs.append(last == i ? QString::number(import.unreadLines[i])
                                  : u"%1–%2"_s.arg(import.unreadLines[i]).arg(import.unreadLines[last]));
            i = last + 1;
        }
        return u"このページは作成後に書き換えられています。%1行目は、加えられたか書き換えられた行のため"
               u"読み取れませんでした。"_s.arg(runs.join(u", "_s));
    }
    const QString from = import.cutLine > 0 ? u"%1行目から後は"_s.arg(import.cutLine) : u"途中から後は"_s;
    switch (import.cut) {
    case LinkImport::Cut::None:
        break;
    case LinkImport::Cut::TooDeep:
        return u"フォルダ（タグ）の入れ子が深すぎるため、%1読み込んでいません。"_s.arg(from);
    case LinkImport::Cut::TooManyLinks:
        return u"ファイルの大きさのわりにリンクが多すぎるため、%1読み込んでいません。"_s.arg(from);
    case LinkImport::Cut::TooManyAttributes:
        return u"%1行目のタグは属性が多すぎるため、%2個より後の属性を読み込んでいません"
               u"（リンクが抜けているかもしれません）。"_s.arg(import.cutLine)
                   .arg(HtmlTokenizer::mostAttributes);
    }
    return {};
}

} // namespace siteloom
