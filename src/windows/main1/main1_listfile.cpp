#include "main1/main1.h"

#include "listfile/listfile.h"
#include "main1/entrylist.h"
#include "main1/entrylistview.h"
#include "messages/messages.h"
#include "platform.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>

#include <array>
#include <new>

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

QRadioButton* control(const main1& window, int background)
{
    const QRadioButton* const buttons[] = {window.Option1, window.Option2, window.Option3,
                                           window.Option4, window.Option5, window.Option6,
                                           window.Option7, window.Option8, window.Option9};
    return const_cast<QRadioButton*>(buttons[background - 1]);
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

// The page option fields a list file sets: its six text fields and the background button.
struct PageFields
{
    std::array<QString, listFileFields.size()> texts;
    int background = 0;
};

PageFields pageFields(const main1& window)
{
    PageFields fields;
    for (size_t i = 0; i < listFileFields.size(); ++i)
        fields.texts[i] = fieldBox(window, listFileFields[i])->text();
    for (int choice = 1; choice <= backgroundChoices; ++choice) {
        if (control(window, choice)->isChecked())
            fields.background = choice;
    }
    return fields;
}

// Only what differs is set: a box set to its own text would still start its undo history afresh.
void setPageFields(main1& window, const PageFields& fields)
{
    for (size_t i = 0; i < listFileFields.size(); ++i) {
        QLineEdit* box = fieldBox(window, listFileFields[i]);
        if (box->text() != fields.texts[i])
            box->setText(fields.texts[i]);
    }
    if (fields.background > 0)
        control(window, fields.background)->setChecked(true);
}

// Recent files: how many, and where in the settings store.
constexpr int recentFileCount = 5;
const QString recentSection = u"recent"_s;

QString recentKey(int i)
{
    return u"file%1"_s.arg(i + 1);
}

} // namespace

// Saves the list and the page options. Nothing is written when the list is empty or when a
// character cannot be saved; a file that cannot be written is reported and an existing file of that
// name stays as it was.
void main1::fsave_Click()
{
    if (m_listModel->count() == 0) {
        showMessage(m_platform, this, u"リストに項目を追加してください。"_s);
        return;
    }
    const PageInputs inputs = pageInputs();
    if (const std::optional<UnencodableText> where = findUnencodable(inputs)) {
        showMessage(m_platform, this, unencodableMessage(*where));
        return;
    }

    // The dialog opens on the base directory when it can be made current, else wherever we are.
    (void)m_platform.setCurrentDrive(m_platform.driveOf(Label1->text()));
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
    rememberRecentFile(path);
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

// Loads a list file into the window. The whole file is read and parsed, and the window's new state
// built, before anything in the window changes: a file that cannot be read, is not Shift_JIS text
// or does not fit into memory changes nothing. Otherwise the file is applied and one message says
// how the load went.
void main1::loadListFile(const QString& path)
{
    QString problem;
    try {
        ListFileContent content;
        ListFileReadError error;
        if (readListFile(path, &content, &error)) {
            applyListFileContent(content, u"ファイル読込"_s);
        } else {
            problem = listFileUnreadableMessage(error);
        }
        if (problem.isEmpty()) {
            m_listFilePath = path;
            rememberRecentFile(path);
            problem = listFileLoadMessage(path, content);
        }
    } catch (const std::bad_alloc&) {
        problem = u"メモリが足りないため、ファイルを読み込めませんでした。\n%1\n"
                  u"ほかのプログラムを終了してから、もう一度読み込んでください。"_s.arg(
                      QDir::toNativeSeparators(path));
    }
    showMessage(m_platform, this, problem);
}

// The list is replaced when the file has a count line; a field or the background changes only when
// the file sets it. The step keeps what it replaced and exchanges the two on undo and redo, so no
// list is copied.
void main1::applyListFileContent(const ListFileContent& content, const QString& undoText)
{
    const PageFields before = pageFields(*this);
    PageFields after = before;
    for (size_t i = 0; i < listFileFields.size(); ++i) {
        if (const std::optional<QString>& value = content.field(listFileFields[i]))
            after.texts[i] = *value;
    }
    if (content.background)
        after.background = *content.background;
    const bool replacesList = content.entries.has_value();
    auto other = std::make_shared<QStringList>(replacesList ? *content.entries : QStringList());
    const auto exchange = [this, other, replacesList](const PageFields& fields) {
        if (replacesList)
            m_listModel->swapEntries(other.get());
        setPageFields(*this, fields);
    };
    pushListEdit(
        undoText,
        [this, exchange, after, replacesList] {
            exchange(after);
            if (replacesList)
                selectRow(-1);
        },
        [exchange, before] { exchange(before); });
}

QStringList main1::recentFiles() const
{
    QStringList paths;
    for (int i = 0; i < recentFileCount; ++i) {
        const QString path = m_platform.readSetting(u"siteloom"_s, recentSection, recentKey(i));
        if (!path.isEmpty() && !paths.contains(path))
            paths.append(path);
    }
    return paths;
}

void main1::storeRecentFiles(const QStringList& paths)
{
    for (int i = 0; i < recentFileCount; ++i)
        (void)m_platform.writeSetting(u"siteloom"_s, recentSection, recentKey(i), paths.value(i));
    fillRecentMenu();
}

// A list file loaded or saved goes to the top of the recent files.
void main1::rememberRecentFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList paths = recentFiles();
    paths.removeAll(absolute);
    paths.prepend(absolute);
    storeRecentFiles(paths.mid(0, recentFileCount));
}

void main1::fillRecentMenu()
{
    recentMenu->clear();
    const QStringList paths = recentFiles();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        // The number is the entry's access key; an & in the path is shown as it is.
        QAction* action = recentMenu->addAction(
            u"&%1 %2"_s.arg(i + 1).arg(QDir::toNativeSeparators(paths[i]).replace(u'&', u"&&"_s)));
        action->setData(paths[i]);
        connect(action, &QAction::triggered, this, [this, path = paths[i]] { openRecentFile(path); });
    }
    recentMenu->setEnabled(!paths.isEmpty());
}

// A recent file loads as ファイル読込 loads it; one that has gone leaves the menu.
void main1::openRecentFile(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        QStringList paths = recentFiles();
        paths.removeAll(path);
        storeRecentFiles(paths);
        showMessage(m_platform, this,
                    u"ファイルが見つかりません。最近使ったファイルの一覧から外しました。\n%1"_s.arg(
                        QDir::toNativeSeparators(path)));
        return;
    }
    loadListFile(path);
}

// Page options recovered from a page: a load that sets every field and leaves the list alone. With
// no background button on, the buttons stay as they are, as a list file without one leaves them.
void main1::setPageOptions(const PageInputs& options)
{
    ListFileContent content;
    content.fileName = options.fileName;
    content.backgroundImage = options.backgroundImage;
    content.title = options.title;
    content.ownBanner = options.ownBanner;
    content.ownName = options.ownName;
    content.ownUrl = options.ownUrl;
    if (options.background > 0)
        content.background = options.background;
    applyListFileContent(content, u"ページ設定の取り込み"_s);
}

} // namespace siteloom
