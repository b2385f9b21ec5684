#include "main1/main1.h"

#include "drives.h"
#include "listfile/listfile.h"
#include "main1/main1_messages.h"
#include "platform.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

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

// The character itself where it can be shown, always with its code point.
QString describeCharacter(char32_t character)
{
    const QString code = u"U+"_s + QString::number(uint(character), 16).toUpper().rightJustified(4, u'0');
    if (QChar::isSurrogate(character) || !QChar::isPrint(character))
        return u"（"_s + code + u"）"_s;
    return u"「"_s + QString::fromUcs4(&character, 1) + u"」（"_s + code + u"）"_s;
}

QString unencodableMessage(const UnencodableText& where)
{
    const QString place = where.entry >= 0 ? u"リストの%1番目の項目"_s.arg(where.entry + 1)
                                           : u"「%1」"_s.arg(listFileFieldCaption(where.field));
    return u"%1に、ファイルに保存できない文字%2があるため、保存しませんでした。\n"
           u"この文字を直してから、もう一度保存してください。"_s.arg(place,
                                                                     describeCharacter(where.character));
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
        showMessage(m_platform, this, unencodableMessage(*where));
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
            message = unencodableMessage(*error.unencodable);
        else if (error.readsAsUtf8)
            message = u"この内容のまま保存すると、読み込むときに UTF-8 のファイルと見分けがつかないため、"
                      u"保存しませんでした。\n"
                      u"タイトルなどにひらがなを含めてから、もう一度保存してください。"_s;
        else
            message = fileProblemMessage(u"ファイルを保存できませんでした。"_s, error.file);
        showMessage(m_platform, this, message);
        return;
    }
    m_listFilePath = path;
    showMessage(m_platform, this, u"書込み完了"_s);
}

// "ファイル読込": asks for a list file and loads it.
void main1::fload_Click()
{
    const QString path = m_platform.openFileName(this, listFileDialog(m_platform.currentDirectory()));
    if (path.size() < shortestFileName)
        return;
    loadListFile(path);
}

// Loads a list file into the window. The whole file is read and parsed first: a file that cannot be
// read, or is not Shift_JIS text, changes nothing. Otherwise the file is applied and one message
// says how the load went.
void main1::loadListFile(const QString& path)
{
    ListFileContent content;
    ListFileReadError error;
    if (!readListFile(path, &content, &error)) {
        showMessage(m_platform, this, listFileUnreadableMessage(error));
        return;
    }
    applyListFileContent(content);
    m_listFilePath = path;
    showMessage(m_platform, this, listFileLoadMessage(path, content));
}

// The list is replaced when the file has a count line; a field or the background changes only when
// the file sets it.
void main1::applyListFileContent(const ListFileContent& content)
{
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
}

} // namespace siteloom
