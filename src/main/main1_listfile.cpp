#include "main/main1.h"

#include "listfile/listfile.h"
#include "main/linkentry.h"
#include "platform/drives.h"
#include "platform/platform.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The dialog's name is a full path; anything shorter than this is taken as no name at all.
constexpr qsizetype shortestFileName = 4;

// Both dialogs offer text files first, then every file, and the name "link.txt".
FileDialogRequest listFileDialog(const QString& directory)
{
    FileDialogRequest request;
    request.filters = {u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_s, u"All Files (*)"_s};
    request.fileName = u"link.txt"_s;
    request.directory = directory;
    return request;
}

// The text box of a field of the list file.
QLineEdit* fieldBox(const main1& window, ListFileField field)
{
    switch (field) {
    case ListFileField::FileName:
        return window.Text4;
    case ListFileField::BackgroundImage:
        return window.Text5;
    case ListFileField::Title:
        return window.Text6;
    case ListFileField::OwnBanner:
        return window.Text7;
    case ListFileField::OwnName:
        return window.Text8;
    case ListFileField::OwnUrl:
        break;
    }
    return window.Text9;
}

// A field as the user finds it in the window: its caption, after the frame's title where the same
// caption stands on both tabs.
QString fieldCaption(const main1& window, ListFileField field)
{
    const QString own = window.Frame4->title() + u' ';
    switch (field) {
    case ListFileField::FileName:
        return window.Label14->text();
    case ListFileField::BackgroundImage:
        return window.Frame3->title() + u' ' + window.Option9->text();
    case ListFileField::Title:
        return window.Label19->text();
    case ListFileField::OwnBanner:
        return own + window.Label20->text();
    case ListFileField::OwnName:
        return own + window.Label21->text() + window.Label26->text();
    case ListFileField::OwnUrl:
        break;
    }
    return own + window.Label22->text();
}

// The character itself where it can be shown, always with its code point.
QString describeCharacter(char32_t character)
{
    const QString code = u"U+"_s + QString::number(uint(character), 16).toUpper().rightJustified(4, u'0');
    if (QChar::isSurrogate(character) || !QChar::isPrint(character))
        return u"（"_s + code + u"）"_s;
    return u"「"_s + QString::fromUcs4(&character, 1) + u"」（"_s + code + u"）"_s;
}

QString unencodableMessage(const main1& window, const UnencodableText& where)
{
    const QString place = where.entry >= 0 ? u"リストの%1番目の項目"_s.arg(where.entry + 1)
                                           : u"「%1」"_s.arg(fieldCaption(window, where.field));
    return u"%1に、ファイルに保存できない文字%2があるため、保存しませんでした。\n"
           u"この文字を直してから、もう一度保存してください。"_s.arg(place,
                                                                     describeCharacter(where.character));
}

QString fileProblem(const QString& what, const FileError& error)
{
    return what + u'\n' + error.path + u'\n' + error.reason;
}

// Why a file that was read is not taken, in the user's words.
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
    return error.file.reason;
}

// A value longer than the control it goes into can hold: a text box cuts it off, so the file is
// refused instead. A link entry counts as too long when one of its fields does not fit the entry
// field it comes back into when edited; the window itself never makes such entries.
QString tooLongValue(const main1& window, const ListFileContent& content)
{
    const auto tooLong = [](const QString& place, qsizetype length, int limit) {
        return u"%1が長すぎます（%2文字。入力欄には%3文字までしか入りません）。"_s.arg(place).arg(length).arg(
            limit);
    };
    for (const ListFileField field : listFileFields) {
        const std::optional<QString>& value = content.field(field);
        const QLineEdit* box = fieldBox(window, field);
        if (value && value->size() > box->maxLength())
            return tooLong(u"「%1」"_s.arg(fieldCaption(window, field)), value->size(), box->maxLength());
    }
    if (!content.entries)
        return {};
    for (qsizetype i = 0; i < content.entries->size(); ++i) {
        const LinkEntry entry = splitEntry(content.entries->at(i));
        const std::array<std::pair<const QString*, const QLineEdit*>, 3> parts{
            {{&entry.bannerUrl, window.Text1},
             {&entry.siteName, window.Text2},
             {&entry.siteUrl, window.Text3}}};
        for (const auto& [text, box] : parts) {
            if (text->size() > box->maxLength())
                return tooLong(u"リストの%1番目の項目"_s.arg(i + 1), text->size(), box->maxLength());
        }
    }
    return {};
}

} // namespace

// Saves the list and the page options. Nothing is written when the list is empty or when a
// character cannot be saved; a file that cannot be written is reported and an existing file of that
// name stays as it was.
void main1::fsave_Click()
{
    if (List1->count() == 0) {
        showMessage(m_platform, this, u"リストに項目を追加してください。"_s);
        return;
    }
    const PageInputs inputs = pageInputs();
    if (const std::optional<UnencodableText> where = findUnencodable(inputs)) {
        showMessage(m_platform, this, unencodableMessage(*this, *where));
        return;
    }

    // The dialog opens on the base directory when it can be made current, else wherever we are.
    (void)m_platform.setCurrentDrive(driveOf(Label1->text()));
    (void)m_platform.setCurrentDirectory(Label1->text());
    const QString path = m_platform.saveFileName(this, listFileDialog(m_platform.currentDirectory()));
    if (path.size() < shortestFileName)
        return;

    ListFileSaveError error;
    if (!saveListFile(path, inputs, &error)) {
        QString message;
        if (error.unencodable)
            message = unencodableMessage(*this, *error.unencodable);
        else if (error.readsAsUtf8)
            message = u"この内容のまま保存すると、読み込むときに UTF-8 のファイルと見分けがつかないため、"
                      u"保存しませんでした。\n"
                      u"タイトルなどにひらがなを含めてから、もう一度保存してください。"_s;
        else
            message = fileProblem(u"ファイルを保存できませんでした。"_s, error.file);
        showMessage(m_platform, this, message);
        return;
    }
    showMessage(m_platform, this, u"書込み完了"_s);
}

// Loads a list file into the window. The whole file is read and parsed first: a file that cannot be
// read, or is not Shift_JIS text, changes nothing. Otherwise the list is replaced when the file has a
// count line, and a field or the background changes only when the file sets it.
void main1::fload_Click()
{
    const QString path = m_platform.openFileName(this, listFileDialog(m_platform.currentDirectory()));
    if (path.size() < shortestFileName)
        return;

    const QString unreadable = u"ファイルを読み込めませんでした。\n%1\n%2"_s;
    ListFileContent content;
    ListFileReadError error;
    if (!readListFile(path, &content, &error)) {
        showMessage(m_platform, this, unreadable.arg(error.file.path, readProblem(error)));
        return;
    }
    if (const QString problem = tooLongValue(*this, content); !problem.isEmpty()) {
        showMessage(m_platform, this, unreadable.arg(QDir::toNativeSeparators(path), problem));
        return;
    }

    if (content.entries) {
        // One insert for the whole list, drawn once at the end.
        List1->setUpdatesEnabled(false);
        List1->clear();
        List1->addItems(*content.entries);
        List1->setUpdatesEnabled(true);
    }
    for (const ListFileField field : listFileFields) {
        if (const std::optional<QString>& value = content.field(field))
            fieldBox(*this, field)->setText(*value);
    }
    if (content.background)
        backgroundButton(*content.background)->setChecked(true);

    if (content.shortBlock) {
        showMessage(
            m_platform, this,
            u"ファイルが途中で終わっていました。\n%1\nリストの項目は、%2件のうち%3件だけ読み込みました。"_s
                .arg(QDir::toNativeSeparators(path), content.shortBlock->entriesAnnounced,
                     QString::number(content.shortBlock->entriesRead)));
        return;
    }
    showMessage(m_platform, this, u"読込み完了"_s);
}

} // namespace siteloom
