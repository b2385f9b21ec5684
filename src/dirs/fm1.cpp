#include "dirs/fm1.h"

#include "dirs/dirlist.h"
#include "dirs/dirs.h"
#include "dirs/drivelist.h"
#include "dirs/filelist.h"
#include "platform/drives.h"
#include "platform/platform.h"
#include "platform/ui.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

template <typename W> W* make(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* widget = new W(parent);
    widget->setObjectName(QLatin1StringView(name));
    placeTwips(widget, left, top, width, height);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top, int width,
                    int height)
{
    auto* b = make<QPushButton>(parent, name, left, top, width, height);
    b->setText(caption);
    b->setAutoDefault(false);
    return b;
}

} // namespace

fm1::fm1(Platform& platform, QLabel* baseDirectoryLabel, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform), m_baseDirectoryLabel(baseDirectoryLabel)
{
    setObjectName(u"fm1"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"ディレクトリ指定画面"_s);
    setFixedSize(twips(7890), twips(5250));
    buildControls();
    exposeObjectNames(this);
    Form_Load();
    connectHandlers();
    Drive1->setFocus();
}

void fm1::buildControls()
{
    Text1 = make<QLineEdit>(this, "Text1", 120, 120, 7695, 270);
    Text1->setAccessibleName(u"ディレクトリ"_s);
    Drive1 = make<DriveList>(this, "Drive1", 120, 480, 7695, 300);
    Drive1->setAccessibleName(u"ドライブ"_s);
    Dir1 = make<DirectoryList>(this, "Dir1", 120, 840, 5175, 3870);
    Dir1->setAccessibleName(u"ディレクトリ一覧"_s);
    File1 = make<FileList>(this, "File1", 5400, 840, 2415, 3630);
    File1->setAccessibleName(u"ファイル一覧"_s);
    Command1 = button(this, "Command1", u"Ｏ　Ｋ"_s, 5400, 4680, 1095, 495);
    Command2 = button(this, "Command2", u"Cancel"_s, 6720, 4680, 1095, 495);
    Command3 = button(this, "Command3", u"ﾃﾞｨｽｸﾄｯﾌﾟ Dir"_s, 120, 4800, 1335, 375);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, Text1);
    setTabOrder(Text1, File1);
    setTabOrder(File1, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
}

void fm1::connectHandlers()
{
    connect(Drive1, &DriveList::driveChanged, this, &fm1::Drive1_Change);
    connect(Dir1, &DirectoryList::pathChanged, this, &fm1::Dir1_Change);
    connect(Command1, &QPushButton::clicked, this, &fm1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &fm1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &fm1::Command3_Click);
}

// The lists open on the process's current drive and directory, before the change handlers are
// connected, so that the starting values move nothing. A current directory that cannot be shown
// (removed while the tool ran) leaves the lists on its drive's root, where the user can walk on.
void fm1::Form_Load()
{
    const QString current = m_platform.currentDirectory();
    (void)Drive1->setDrive(driveOf(current));
    if (!Dir1->setPath(current))
        (void)Dir1->setPath(Drive1->drive());
    (void)File1->setPath(Dir1->path());
    Text1->setText(Dir1->path());
}

// Each step runs whatever became of the one before; a drive that cannot be shown leaves the
// directory list, and with it the current directory, where they were.
void fm1::Drive1_Change()
{
    (void)Dir1->setPath(m_platform.directoryOnDrive(Drive1->drive()));
    (void)m_platform.setCurrentDrive(driveOf(Dir1->path()));
    (void)m_platform.setCurrentDirectory(Dir1->path());
}

// Each step runs whatever became of the one before: a directory whose files cannot be read keeps
// the previous listing, and one that cannot be entered leaves the current directory where it was.
void fm1::Dir1_Change()
{
    Text1->setText(Dir1->path());
    (void)File1->setPath(Dir1->path());
    (void)m_platform.setCurrentDrive(driveOf(Dir1->path()));
    (void)m_platform.setCurrentDirectory(Dir1->path());
    File1->refresh();
    // Walking into a mount point walks onto another volume: the drive list follows.
    (void)Drive1->setDrive(driveOf(Dir1->path()));
}

void fm1::Command1_Click()
{
    fm1end();
}

// The path box goes to the main window as typed; what is remembered for the next start is the
// current directory, the one open in the lists.
void fm1::fm1end()
{
    if (m_baseDirectoryLabel)
        m_baseDirectoryLabel->setText(Text1->text());
    (void)dirs_proc2(m_platform, 2, u"siteloom"_s);
    close();
}

void fm1::Command2_Click()
{
    close();
}

// The desktop becomes the current drive and directory first, then the lists go there; the drive
// list, changed last, finds the desktop as its drive's current directory and keeps the directory
// list on it. Without a desktop that can be entered nothing moves.
void fm1::Command3_Click()
{
    const QString desktop = dirs_proc1(m_platform);
    const QString before = m_platform.currentDirectory();
    if (!desktop.isEmpty()) {
        (void)m_platform.setCurrentDrive(driveOf(desktop));
        if (m_platform.setCurrentDirectory(desktop)) {
            (void)Dir1->setPath(desktop);
            (void)Drive1->setDrive(driveOf(desktop));
            return;
        }
        (void)m_platform.setCurrentDirectory(before);
    }
    showMessage(m_platform, this, u"デスクトップのフォルダが見つかりません。"_s);
}

} // namespace siteloom
