#include "fm1/fm1.h"

#include "dirs/dirs.h"
#include "fm1/dirlist.h"
#include "fm1/drivelist.h"
#include "fm1/filelist.h"
#include "platform.h"
#include "ui/ui.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace siteloom {

fm1::fm1(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform)
{
    setObjectName(u"fm1"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"ディレクトリ指定画面"_s);
    setFixedSize(twips(7890), twips(5250));
    buildControls();
    exposeObjectNames(this);
    keepTextBoxesSingleLine(this);
    Form_Load();
    connectHandlers();
    Drive1->setFocus();
}

// The controls in tab order, each with its place in twips; Drive1 comes first and has the focus.
void fm1::buildControls()
{
    Drive1 = new DriveList(m_platform, this);
    Dir1 = new DirectoryList(m_platform, this);
    Text1 = new QLineEdit(this);
    File1 = new FileList(this);
    Command1 = new QPushButton(u"Ｏ　Ｋ"_s, this);
    Command2 = new QPushButton(u"Cancel"_s, this);
    Command3 = new QPushButton(u"ﾃﾞｨｽｸﾄｯﾌﾟ Dir"_s, this);
    Drive1->setAccessibleName(u"ドライブ"_s);
    Dir1->setAccessibleName(u"ディレクトリ一覧"_s);
    Text1->setAccessibleName(u"ディレクトリ"_s);
    File1->setAccessibleName(u"ファイル一覧"_s);

    struct Place
    {
        QWidget* control;
        const char* name;
        QRect inTwips; // left, top, width, height
    };
    // clang-format off
    const Place places[] = {
        {Drive1,   "Drive1",   {120,  480,  7695, 300}},
        {Dir1,     "Dir1",     {120,  840,  5175, 3870}},
        {Text1,    "Text1",    {120,  120,  7695, 270}},
        {File1,    "File1",    {5400, 840,  2415, 3630}},
        {Command1, "Command1", {5400, 4680, 1095, 495}},
        {Command2, "Command2", {6720, 4680, 1095, 495}},
        {Command3, "Command3", {120,  4800, 1335, 375}},
    };
    // clang-format on
    const Place* previous = nullptr;
    for (const Place& place : places) {
        place.control->setObjectName(QLatin1StringView(place.name));
        const QRect& r = place.inTwips;
        placeTwips(place.control, r.x(), r.y(), r.width(), r.height());
        if (previous)
            setTabOrder(previous->control, place.control);
        previous = &place;
    }
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
    (void)Drive1->setDrive(m_platform.driveOf(current));
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
    (void)m_platform.setCurrentDrive(m_platform.driveOf(Dir1->path()));
    (void)m_platform.setCurrentDirectory(Dir1->path());
}

// Each step runs whatever became of the one before: a directory whose files cannot be read keeps
// the previous listing, and one that cannot be entered leaves the current directory where it was.
void fm1::Dir1_Change()
{
    Text1->setText(Dir1->path());
    (void)File1->setPath(Dir1->path());
    (void)m_platform.setCurrentDrive(m_platform.driveOf(Dir1->path()));
    (void)m_platform.setCurrentDirectory(Dir1->path());
    File1->refresh();
    // Walking into a mount point walks onto another volume: the drive list follows.
    (void)Drive1->setDrive(m_platform.driveOf(Dir1->path()));
}

void fm1::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command2->click();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused ? focused : Command1)->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void fm1::Command1_Click()
{
    fm1end();
}

// The path box goes to the main window as typed; what is remembered for the next start is the
// current directory, the one open in the lists.
void fm1::fm1end()
{
    emit directoryChosen(Text1->text());
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
        (void)m_platform.setCurrentDrive(m_platform.driveOf(desktop));
        if (m_platform.setCurrentDirectory(desktop)) {
            (void)Dir1->setPath(desktop);
            (void)Drive1->setDrive(m_platform.driveOf(desktop));
            return;
        }
        (void)m_platform.setCurrentDirectory(before);
    }
    showMessage(m_platform, this, u"デスクトップのフォルダが見つかりません。"_s);
}

} // namespace siteloom
