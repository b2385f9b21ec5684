#include "dirs/dirlist.h"
#include "dirs/drivelist.h"
#include "dirs/filelist.h"
#include "dirs/fm1.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "main/main1.h"
#include "platform/drives.h"
#include "platform/ui.h"

#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString desktopMissing = u"デスクトップのフォルダが見つかりません。"_s;
constexpr char cannotLockOut[] =
    "this user enters folders whatever their permissions say (root): no folder can be locked out";

void makeFile(const QString& path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

// The file names the file list shows, in order.
QStringList fileNames(const FileList* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

// The entry of the open directory: the one whose tool tip is the list's path.
const QTreeWidgetItem* openEntry(const DirectoryList* list)
{
    const auto all = list->findItems(u"*"_s, Qt::MatchWildcard | Qt::MatchRecursive);
    for (const QTreeWidgetItem* item : all) {
        if (item->toolTip(0) == list->path())
            return item;
    }
    return nullptr;
}

// The entries listed below the open directory.
QStringList subdirectories(const DirectoryList* list)
{
    QStringList names;
    const QTreeWidgetItem* open = openEntry(list);
    for (int i = 0; open && i < open->childCount(); ++i)
        names.append(open->child(i)->text(0));
    return names;
}

// The path that the chain of entries from the drive's root down to the open directory spells.
QString chainPath(const DirectoryList* list)
{
    QStringList names;
    for (const QTreeWidgetItem* item = openEntry(list); item; item = item->parent())
        names.prepend(item->text(0));
    if (names.isEmpty())
        return {};
    const QString drive = names.takeFirst();
    return names.isEmpty() ? drive : QDir(drive).filePath(names.join(u'/'));
}

// Opens an entry of the directory list the way the user does: a double click on it.
void doubleClickEntry(DirectoryList* list, const QString& caption)
{
    const auto found = list->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(found.size() == 1, qPrintable(caption));
    list->scrollToItem(found.constFirst());
    // QTest's double click on a widget is the second press alone; the first click comes before it.
    const QPoint centre = list->visualItemRect(found.constFirst()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
}

// Types text the way an input method commits it, replacing what the box held.
void typeInto(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(box, &commit);
}

} // namespace

class tst_fm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void controlsOfTheWindow_data();
    void controlsOfTheWindow();
    void windowOpensOnDriveList();
    void firstOpeningShowsCurrentDirectory();
    void walkingThenCancel();
    void walkingWithTheKeyboard();
    void reopeningKeepsTheOpenWindow();
    void confirm_data();
    void confirm();
    void desktopButton_data();
    void desktopButton();
    void unreadableDirectory_data();
    void unreadableDirectory();
    void vanishedDirectoryCannotBeOpened();
    void largeDirectoryIsListedWhole();

private:
    [[nodiscard]] fm1* openChooser(main1& window);
    [[nodiscard]] QString treePath(const QString& relative) const;
    [[nodiscard]] bool lockOutOf(const QString& path, QFile::Permissions permissions);

    QString m_startDirectory;
    std::unique_ptr<QTemporaryDir> m_tree;
    QStringList m_locked;
};

void tst_fm1::initTestCase()
{
    prepareGuiTest();
    m_startDirectory = QDir::currentPath();
}

// A site directory with two visible subdirectories, a hidden one, two files and a hidden file; the
// process starts in it.
void tst_fm1::init()
{
    m_tree = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tree->isValid());
    QVERIFY(QDir().mkpath(treePath(u"site/images"_s)));
    QVERIFY(QDir().mkpath(treePath(u"site/pages"_s)));
    QVERIFY(QDir().mkpath(treePath(u"site/.git"_s)));
    makeFile(treePath(u"site/link.txt"_s));
    makeFile(treePath(u"site/Index.html"_s));
    makeFile(treePath(u"site/.hidden"_s));
    makeFile(treePath(u"site/images/banner.gif"_s));
    QVERIFY(QDir::setCurrent(treePath(u"site"_s)));
}

void tst_fm1::cleanup()
{
    QVERIFY(QDir::setCurrent(m_startDirectory));
    for (const QString& path : std::as_const(m_locked))
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    m_locked.clear();
    m_tree.reset();
}

fm1* tst_fm1::openChooser(main1& window)
{
    window.show();
    window.Command1->click();
    return window.chooserWindow();
}

QString tst_fm1::treePath(const QString& relative) const
{
    const QString root = QFileInfo(m_tree->path()).canonicalFilePath();
    return relative.isEmpty() ? root : root + u'/' + relative;
}

// Takes permissions away from a folder (cleanup() gives them back). False when this user still gets
// into it, as root does, so that the case cannot be shown here.
bool tst_fm1::lockOutOf(const QString& path, QFile::Permissions permissions)
{
    m_locked.append(path);
    if (!QFile::setPermissions(path, permissions))
        return false;
    const QString here = QDir::currentPath();
    if (!QDir::setCurrent(path))
        return true;
    (void)QDir::setCurrent(here);
    return false;
}

void tst_fm1::controlsOfTheWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("place");
    QTest::newRow("path box") << u"Text1"_s << QString() << twipsRect(120, 120, 7695, 270);
    QTest::newRow("drive list") << u"Drive1"_s << QString() << twipsRect(120, 480, 7695, 300);
    QTest::newRow("directory list") << u"Dir1"_s << QString() << twipsRect(120, 840, 5175, 3870);
    QTest::newRow("file list") << u"File1"_s << QString() << twipsRect(5400, 840, 2415, 3630);
    QTest::newRow("confirm") << u"Command1"_s << u"Ｏ　Ｋ"_s << twipsRect(5400, 4680, 1095, 495);
    QTest::newRow("cancel") << u"Command2"_s << u"Cancel"_s << twipsRect(6720, 4680, 1095, 495);
    QTest::newRow("desktop") << u"Command3"_s << u"ﾃﾞｨｽｸﾄｯﾌﾟ Dir"_s << twipsRect(120, 4800, 1335, 375);
}

void tst_fm1::controlsOfTheWindow()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, place);
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    QVERIFY(chooser);
    QCOMPARE(chooser->windowTitle(), u"ディレクトリ指定画面"_s);
    QCOMPARE(chooser->size(), QSize(twips(7890), twips(5250)));
    QCOMPARE(chooser->minimumSize(), chooser->maximumSize());
    auto* widget = control<QWidget>(chooser, name);
    QCOMPARE(widget->accessibleDescription(), name);
    QVERIFY(!widget->accessibleName().isEmpty() || !caption.isEmpty());
    QVERIFY(widget->accessibleName() != name);
    QCOMPARE(widget->geometry(), place);
    if (!caption.isEmpty())
        QCOMPARE(qobject_cast<QPushButton*>(widget)->text(), caption);
}

void tst_fm1::windowOpensOnDriveList()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    QVERIFY(QTest::qWaitForWindowActive(chooser));
    QTRY_COMPARE(QApplication::focusWidget(), chooser->Drive1);
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order, (QStringList{u"Drive1"_s, u"Dir1"_s, u"Text1"_s, u"File1"_s, u"Command1"_s, u"Command2"_s,
                                 u"Command3"_s}));
}

void tst_fm1::firstOpeningShowsCurrentDirectory()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    const QString site = treePath(u"site"_s);
    QCOMPARE(chooser->Drive1->drive(), driveOf(site));
    QCOMPARE(chooser->Dir1->path(), site);
    QCOMPARE(chainPath(chooser->Dir1), site);
    QCOMPARE(subdirectories(chooser->Dir1), (QStringList{u"images"_s, u"pages"_s}));
    QCOMPARE(fileNames(chooser->File1), (QStringList{u"Index.html"_s, u"link.txt"_s}));
    QCOMPARE(chooser->Text1->text(), site);
    // Opening moves nothing and stores nothing.
    QCOMPARE(QDir::currentPath(), site);
    QVERIFY(platform.settings.isEmpty());
    QCOMPARE(window.Label1->text(), QString());
}

void tst_fm1::walkingThenCancel()
{
    FakePlatform platform;
    platform.settings.insert(u"siteloom/startup/firstdir"_s, u"/remembered"_s);
    main1 window(platform);
    QPointer<fm1> chooser = openChooser(window);
    QCOMPARE(window.Label1->text(), u"/remembered"_s);

    // The current directory follows every step, before either button is pressed.
    doubleClickEntry(chooser->Dir1, u"images"_s);
    QCOMPARE(QDir::currentPath(), treePath(u"site/images"_s));
    QCOMPARE(chooser->Text1->text(), treePath(u"site/images"_s));
    QCOMPARE(chainPath(chooser->Dir1), treePath(u"site/images"_s));
    QCOMPARE(fileNames(chooser->File1), QStringList{u"banner.gif"_s});
    doubleClickEntry(chooser->Dir1, u"site"_s);
    QCOMPARE(QDir::currentPath(), treePath(u"site"_s));
    doubleClickEntry(chooser->Dir1, u"pages"_s);
    QCOMPARE(QDir::currentPath(), treePath(u"site/pages"_s));
    QCOMPARE(fileNames(chooser->File1), QStringList());

    chooser->Command2->click();
    QTRY_VERIFY(chooser.isNull());
    QCOMPARE(window.Label1->text(), u"/remembered"_s);
    QCOMPARE(platform.settings.value(u"siteloom/startup/firstdir"_s), u"/remembered"_s);
    QCOMPARE(QDir::currentPath(), treePath(u"site/pages"_s));

    // The next opening starts where the walk ended.
    fm1* again = openChooser(window);
    QCOMPARE(again->Dir1->path(), treePath(u"site/pages"_s));
    QCOMPARE(again->Text1->text(), treePath(u"site/pages"_s));
}

void tst_fm1::walkingWithTheKeyboard()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    chooser->Dir1->setFocus();
    QTest::keyClick(chooser->Dir1, Qt::Key_Down);
    QCOMPARE(chooser->Dir1->path(), treePath(u"site"_s)); // choosing an entry does not open it yet
    QTest::keyClick(chooser->Dir1, Qt::Key_Return);
    QCOMPARE(chooser->Dir1->path(), treePath(u"site/images"_s));
    QCOMPARE(QDir::currentPath(), treePath(u"site/images"_s));
}

void tst_fm1::reopeningKeepsTheOpenWindow()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    typeInto(chooser->Text1, u"書きかけ"_s);
    QVERIFY(QDir::setCurrent(treePath(u"site/images"_s)));
    QCOMPARE(openChooser(window), chooser);
    QCOMPARE(chooser->Text1->text(), u"書きかけ"_s);
    QCOMPARE(chooser->Dir1->path(), treePath(u"site"_s));
}

void tst_fm1::confirm_data()
{
    QTest::addColumn<QStringList>("walk");
    QTest::addColumn<bool>("type");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("remembered");
    QTest::newRow("at once after opening") << QStringList() << false << QString() << u"site"_s;
    QTest::newRow("after walking") << QStringList{u"images"_s} << false << QString() << u"site/images"_s;
    QTest::newRow("typed path goes over as typed")
        << QStringList{u"images"_s} << true << u"　C:\\ホーム ページ\\ "_s << u"site/images"_s;
    QTest::newRow("emptied path box") << QStringList{u"pages"_s} << true << QString() << u"site/pages"_s;
}

void tst_fm1::confirm()
{
    QFETCH(QStringList, walk);
    QFETCH(bool, type);
    QFETCH(QString, typed);
    QFETCH(QString, remembered);
    FakePlatform platform;
    main1 window(platform);
    QPointer<fm1> chooser = openChooser(window);
    for (const QString& entry : std::as_const(walk))
        doubleClickEntry(chooser->Dir1, entry);
    if (type)
        typeInto(chooser->Text1, typed);
    const QString label = type ? typed : treePath(remembered);
    chooser->Command1->click();
    QTRY_VERIFY(chooser.isNull());
    QCOMPARE(window.Label1->text(), label);
    QCOMPARE(platform.settings.value(u"siteloom/startup/firstdir"_s), treePath(remembered));
    QVERIFY(platform.messages.isEmpty());
}

void tst_fm1::desktopButton_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<bool>("create");
    QTest::addColumn<bool>("lockOut");
    QTest::addColumn<bool>("found");
    QTest::newRow("desktop present") << u"home/Desktop"_s << true << false << true;
    QTest::newRow("desktop with a japanese name") << u"home/デスクトップ"_s << true << false << true;
    QTest::newRow("no desktop reported") << QString() << false << false << false;
    QTest::newRow("desktop folder missing") << u"home/Desktop"_s << false << false << false;
    QTest::newRow("desktop that cannot be entered") << u"home/Desktop"_s << true << true << false;
}

void tst_fm1::desktopButton()
{
    QFETCH(QString, desktop);
    QFETCH(bool, create);
    QFETCH(bool, lockOut);
    QFETCH(bool, found);
    FakePlatform platform;
    if (!desktop.isEmpty())
        platform.desktop = treePath(desktop);
    if (create) {
        QVERIFY(QDir().mkpath(platform.desktop));
        makeFile(platform.desktop + u"/memo.txt"_s);
    }
    if (lockOut && !lockOutOf(platform.desktop, {}))
        QSKIP(cannotLockOut);
    main1 window(platform);
    fm1* chooser = openChooser(window);
    doubleClickEntry(chooser->Dir1, u"images"_s);
    typeInto(chooser->Text1, u"書きかけ"_s);

    chooser->Command3->click();
    const QString shown = found ? platform.desktop : treePath(u"site/images"_s);
    QCOMPARE(platform.messageTexts(), found ? QStringList() : QStringList{desktopMissing});
    QCOMPARE(QDir::currentPath(), shown);
    QCOMPARE(chooser->Dir1->path(), shown);
    QCOMPARE(chainPath(chooser->Dir1), shown);
    QCOMPARE(chooser->Drive1->drive(), driveOf(shown));
    QCOMPARE(chooser->Text1->text(), found ? shown : u"書きかけ"_s);
    QCOMPARE(fileNames(chooser->File1), found ? QStringList{u"memo.txt"_s} : QStringList{u"banner.gif"_s});
    if (!found)
        QCOMPARE(platform.messages.constFirst().title, u"siteloom"_s);

    // The lists stay usable and in step with the current directory afterwards.
    doubleClickEntry(chooser->Dir1, found ? u"home"_s : u"site"_s);
    QCOMPARE(QDir::currentPath(), chooser->Dir1->path());
    QCOMPARE(chooser->Text1->text(), chooser->Dir1->path());
}

void tst_fm1::unreadableDirectory_data()
{
    QTest::addColumn<int>("permissions");
    QTest::newRow("no permissions at all") << 0;
    QTest::newRow("names readable, not enterable") << int(QFile::ReadOwner | QFile::ReadUser);
}

// A directory whose files cannot be read opens in the directory list; the file list keeps the
// previous directory's names and the current directory stays where it was. No message.
void tst_fm1::unreadableDirectory()
{
    QFETCH(int, permissions);
    const QString locked = treePath(u"site/locked"_s);
    QVERIFY(QDir().mkpath(locked + u"/inner"_s));
    makeFile(locked + u"/secret.txt"_s);
    if (!lockOutOf(locked, QFile::Permissions(permissions)))
        QSKIP(cannotLockOut);

    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    doubleClickEntry(chooser->Dir1, u"locked"_s);
    QCOMPARE(chooser->Dir1->path(), locked);
    QCOMPARE(chooser->Text1->text(), locked);
    QCOMPARE(fileNames(chooser->File1), (QStringList{u"Index.html"_s, u"link.txt"_s}));
    QCOMPARE(QDir::currentPath(), treePath(u"site"_s));
    QVERIFY(platform.messages.isEmpty());

    // Walking back out works as before.
    doubleClickEntry(chooser->Dir1, u"site"_s);
    doubleClickEntry(chooser->Dir1, u"images"_s);
    QCOMPARE(QDir::currentPath(), treePath(u"site/images"_s));
    QCOMPARE(fileNames(chooser->File1), QStringList{u"banner.gif"_s});
}

void tst_fm1::vanishedDirectoryCannotBeOpened()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    QVERIFY(QDir(treePath(u"site/pages"_s)).removeRecursively());
    doubleClickEntry(chooser->Dir1, u"pages"_s);
    QCOMPARE(chooser->Dir1->path(), treePath(u"site"_s));
    QCOMPARE(subdirectories(chooser->Dir1), (QStringList{u"images"_s, u"pages"_s}));
    QCOMPARE(QDir::currentPath(), treePath(u"site"_s));
    QVERIFY(platform.messages.isEmpty());
}

void tst_fm1::largeDirectoryIsListedWhole()
{
    const QString big = treePath(u"site/big"_s);
    QVERIFY(QDir().mkpath(big));
    for (int i = 0; i < 3000; ++i)
        makeFile(big + u"/file%1.txt"_s.arg(i, 4, 10, QChar(u'0')));
    for (int i = 0; i < 500; ++i)
        QVERIFY(QDir().mkdir(big + u"/dir%1"_s.arg(i, 3, 10, QChar(u'0'))));
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    doubleClickEntry(chooser->Dir1, u"big"_s);
    QCOMPARE(chooser->File1->count(), 3000);
    QCOMPARE(chooser->File1->item(2999)->text(), u"file2999.txt"_s);
    const QStringList below = subdirectories(chooser->Dir1);
    QCOMPARE(below.size(), 500);
    QCOMPARE(below.constLast(), u"dir499"_s);
}

QTEST_MAIN(tst_fm1)
#include "tst_fm1.moc"
