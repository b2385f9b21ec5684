#include "messages/messages.h"

#include "listfile/listfile.h"
#include "text/textfile.h"
#include "text/trim.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace siteloom {

QString fileProblemMessage(const QString& what, const FileError& error)
{
    return what + u'\n' + error.path + u'\n' + error.reason;
}

PageInputsProblem checkPageInputs(qsizetype entryCount, const QString& fileName)
{
    if (entryCount <= 0)
        return PageInputsProblem::NoEntries;
    // The page goes by the name trimmed of blanks: a name of blanks only is no name.
    const QString name = trimBlanks(fileName);
    if (name.isEmpty())
        return PageInputsProblem::NoFileName;
    if (name.contains(u'/'))
        return PageInputsProblem::FileNameHasSlash;
    if (name == u"."_s || name == u".."_s)
        return PageInputsProblem::FileNameIsNotFile;
    return PageInputsProblem::None;
}

QString pageInputsMessage(PageInputsProblem problem, const QString& fileName)
{
    const QString name = trimBlanks(fileName);
    switch (problem) {
    case PageInputsProblem::None:
        break;
    case PageInputsProblem::NoEntries:
        return u"項目を追加してください。"_s;
    case PageInputsProblem::NoFileName:
        return u"ｈｔｍｌファイル名を入れてください。"_s;
    case PageInputsProblem::FileNameHasSlash:
        return u"ｈｔｍｌファイル名「%1」には「/」を使えません。\n"
               u"ディレクトリを含めず、ファイル名だけを入れてください。"_s.arg(name);
    case PageInputsProblem::FileNameIsNotFile:
        return u"「%1」はｈｔｍｌファイル名に使えません（ディレクトリを指す名前です）。\n"
               u"ファイル名を入れてください。"_s.arg(name);
    }
    return {};
}

QString pageWouldReplaceListFileMessage(const QString& path)
{
    return u"ｈｔｍｌファイル名がリストファイルと同じファイルを指しているため、ページを書き込みませんでした"
           u"（リストファイルが消えてしまいます）。\n%1\n別のｈｔｍｌファイル名を入れてください。"_s.arg(
               path);
}

QString pageWrittenMessage()
{
    return u"作成しました。"_s;
}

QString pageNotWrittenMessage(const QString& path, const FileError& error)
{
    return u"ページを書き込めませんでした。\n%1\n%2"_s.arg(path, error.reason);
}

QString previewNoTemporaryFolderMessage(const QString& tmpdir)
{
    return u"一時ファイル用のフォルダ「%1」が見つからないため、プレビューを作れませんでした。\n"
           u"環境変数 TMPDIR に、ある（書き込める）フォルダを指定してください。"_s.arg(tmpdir);
}

QString previewFolderInsideBaseMessage(const QString& temporaryFolder)
{
    return u"一時ファイル用のフォルダ「%1」がページを作るフォルダの中にあるため、"
           u"プレビューを作れませんでした。\n"
           u"環境変数 TMPDIR に、ほかのフォルダを指定してください。"_s.arg(temporaryFolder);
}

QString saveChangesQuestion()
{
    return u"変更を保存しますか？"_s;
}

QString saveChangesSaveButton()
{
    return u"保存"_s;
}

QString saveChangesDiscardButton()
{
    return u"保存しない"_s;
}

QString saveChangesCancelButton()
{
    return u"キャンセル"_s;
}

QString chooseBaseDirectoryHint()
{
    return u"%1がまだ指定されていません。「%2」ボタンで、ページを作るディレクトリを選んでください。"_s.arg(
        QString::fromUtf16(caption::baseDirectory), QString::fromUtf16(caption::chooseDirectory));
}

QString listFileFieldCaption(ListFileField field)
{
    const auto text = [](const char16_t* caption) { return QString::fromUtf16(caption); };
    const QString own = text(caption::ownSiteFrame) + u' ';
    switch (field) {
    case ListFileField::FileName:
        return text(caption::fileName);
    case ListFileField::BackgroundImage:
        return text(caption::backgroundFrame) + u' ' + text(caption::backgroundImage);
    case ListFileField::Title:
        return text(caption::title);
    case ListFileField::OwnBanner:
        return own + text(caption::banner);
    case ListFileField::OwnName:
        return own + text(caption::siteName) + text(caption::siteNameSecondLine);
    case ListFileField::OwnUrl:
        break;
    }
    return own + text(caption::siteUrl);
}

namespace {

// Why a file that was read is not taken, in the user's words; the system's reason when it was not read.
QString readProblem(const ListFileReadError& error)
{
    const QString notShiftJis = u"Shift_JIS（CP932）のテキストファイルではありません。"_s;
    switch (error.encoding) {
    case TextEncodingProblem::NotWindows31J:
        return notShiftJis;
    case TextEncodingProblem::Utf8:
        return notShiftJis +
               u"\nUTF-8 で保存されたファイルのようです。Shift_JIS で保存し直してから読み込んでください。"_s;
    case TextEncodingProblem::NulByte:
        return u"テキストファイルではありません（NUL 文字を含んでいます）。"_s;
    case TextEncodingProblem::None:
        break;
    }
    if (const std::optional<TooLongValue>& tooLong = error.tooLong) {
        return u"「%1」が長すぎます（%2文字。入力欄には%3文字までしか入りません）。"_s
            .arg(listFileFieldCaption(tooLong->field))
            .arg(tooLong->length)
            .arg(textBoxCapacity);
    }
    return error.file.reason;
}

} // namespace

QString listFileUnreadableMessage(const ListFileReadError& error)
{
    return u"ファイルを読み込めませんでした。\n%1\n%2"_s.arg(error.file.path, readProblem(error));
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

namespace {

// The character itself where it can be shown, always with its code point.
QString describeCharacter(char32_t character)
{
    const QString code = u"U+"_s + QString::number(uint(character), 16).toUpper().rightJustified(4, u'0');
    if (QChar::isSurrogate(character) || !QChar::isPrint(character))
        return u"（"_s + code + u"）"_s;
    return u"「"_s + QString::fromUcs4(&character, 1) + u"」（"_s + code + u"）"_s;
}

} // namespace

QString listFileUnencodableMessage(const UnencodableText& where)
{
    const QString place = where.entry >= 0 ? u"リストの%1番目の項目"_s.arg(where.entry + 1)
                                           : u"「%1」"_s.arg(listFileFieldCaption(where.field));
    return u"%1に、ファイルに保存できない文字%2があるため、保存しませんでした。\n"
           u"この文字を直してから、もう一度保存してください。"_s.arg(place,
                                                                     describeCharacter(where.character));
}

QString listFileNotSavedMessage(const ListFileSaveError& error)
{
    if (error.unencodable)
        return listFileUnencodableMessage(*error.unencodable);
    if (error.readsAsUtf8)
        return u"この内容のまま保存すると、読み込むときに UTF-8 のファイルと見分けがつかないため、"
               u"保存しませんでした。\n"
               u"タイトルなどにひらがなを含めてから、もう一度保存してください。"_s;
    return fileProblemMessage(u"ファイルを保存できませんでした。"_s, error.file);
}

} // namespace siteloom
