#include "dirs/dirlist.h"
#include "dirs/drivelist.h"
#include "dirs/filelist.h"
#include "dirs/fm1.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "main/main1.h"
#include "platform/drives.h"
#include "platform/ui.h"

#include <QAccessible>
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

constexpr char cannotLockOut[] = "this user (root) enters folders whatever their permissions say";

void makeFile(const QString& path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

QString files(const FileList* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names.join(u',');
}

// What the directory list shows, in one line: the path that its chain of open entries spells, from
// the drive's root down, then the entries below the open one: "/tmp/x/site > images,pages".
QString shown(const DirectoryList* list)
{
    const QTreeWidgetItem* open = nullptr;
    const auto all = list->findItems(u"*"_s, Qt::MatchWildcard | Qt::MatchRecursive);
    for (const QTreeWidgetItem* item : all)
        open = item->toolTip(0) == list->path() ? item : open;
    QStringList chain;
    for (const QTreeWidgetItem* item = open; item; item = item->parent())
        chain.prepend(item->text(0));
    QStringList below;
    for (int i = 0; open && i < open->childCount(); ++i)
        below.append(open->child(i)->text(0));
    const QString drive = chain.isEmpty() ? QString() : chain.takeFirst();
    return (chain.isEmpty() ? drive : QDir(drive).filePath(chain.join(u'/'))) + u" > "_s + below.join(u',');
}

// Opens an entry of the directory list with a double click. QTest's double click on a widget is the
// second press alone, so the first click comes before it.
void doubleClickEntry(DirectoryList* list, const QString& caption)
{
    const auto found = list->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY2(found.size() == 1, qPrintable(caption));
    list->scrollToItem(found.constFirst());
    const QPoint centre = list->visualItemRect(found.constFirst()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
}

// Replaces the text of a box the way an input method types Japanese: by committing it.
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
    void windowAndTabOrder();
    void firstOpeningShowsCurrentDirectory();
    void walkingThenCancel();
    void confirm_data();
    void confirm();
    void desktopButton_data();
    void desktopButton();
    void unreadableDirectory_data();
    void unreadableDirectory();
    void vanishedDirectoryCannotBeOpened();

private:
    [[nodiscard]] fm1* openChooser(main1& window);
    [[nodiscard]] QString tree(const QString& relative) const;
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

// The process starts in "site": two subdirectories, a hidden one, two files and a hidden file.
void tst_fm1::init()
{
    m_tree = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(tree(u"site/images"_s)) && QDir().mkpath(tree(u"site/pages"_s)) &&
            QDir().mkpath(tree(u"site/.git"_s)));
    for (const QString& file :
         {u"site/link.txt"_s, u"site/Index.html"_s, u"site/.hidden"_s, u"site/images/a.gif"_s})
        makeFile(tree(file));
    QVERIFY(QDir::setCurrent(tree(u"site"_s)));
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

QString tst_fm1::tree(const QString& relative) const
{
    return QFileInfo(m_tree->path()).canonicalFilePath() + u'/' + relative;
}

// Takes permissions away from a folder until cleanup(); false when this user still gets into it.
bool tst_fm1::lockOutOf(const QString& path, QFile::Permissions permissions)
{
    m_locked.append(path);
    if (!QFile::setPermissions(path, permissions))
        return false;
    const QString here = QDir::currentPath();
    return !QDir::setCurrent(path) || !QDir::setCurrent(here);
}

void tst_fm1::windowAndTabOrder()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    QCOMPARE(chooser->windowTitle(), u"ディレクトリ指定画面"_s);
    QCOMPARE(chooser->minimumSize(), QSize(twips(7890), twips(5250)));
    QCOMPARE(chooser->maximumSize(), chooser->minimumSize());
    QVERIFY(QTest::qWaitForWindowActive(chooser));
    QTRY_COMPARE(QApplication::focusWidget(), chooser->Drive1);
    QStringList order;
    for (int i = 0; i < 7; ++i) {
        QWidget* focus = QApplication::focusWidget();
        order.append(focus->objectName());
        QCOMPARE(focus->accessibleDescription(), focus->objectName());
        const QString name = QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty() && name != focus->objectName(), qPrintable(name));
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(order.join(u' '), u"Drive1 Dir1 Text1 File1 Command1 Command2 Command3"_s);
}

void tst_fm1::firstOpeningShowsCurrentDirectory()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    QCOMPARE(chooser->Drive1->drive(), driveOf(tree(u"site"_s)));
    QCOMPARE(shown(chooser->Dir1), tree(u"site > images,pages"_s));
    QCOMPARE(files(chooser->File1), u"Index.html,link.txt"_s);
    QCOMPARE(chooser->Text1->text(), tree(u"site"_s));
    // Opening moves nothing and stores nothing.
    QCOMPARE(QDir::currentPath(), tree(u"site"_s));
    QVERIFY(platform.settings.isEmpty());
}

void tst_fm1::walkingThenCancel()
{
    FakePlatform platform;
    platform.settings.insert(u"siteloom/startup/firstdir"_s, u"/remembered"_s);
    main1 window(platform);
    QPointer<fm1> chooser = openChooser(window);

    // The current directory follows every step, before either button is pressed.
    doubleClickEntry(chooser->Dir1, u"images"_s);
    QCOMPARE(QDir::currentPath(), tree(u"site/images"_s));
    QCOMPARE(chooser->Text1->text(), tree(u"site/images"_s));
    QCOMPARE(shown(chooser->Dir1), tree(u"site/images > "_s));
    QCOMPARE(files(chooser->File1), u"a.gif"_s);
    doubleClickEntry(chooser->Dir1, u"site"_s);
    QCOMPARE(QDir::currentPath(), tree(u"site"_s));
    // With the keyboard: the arrow chooses an entry, Enter opens it.
    chooser->Dir1->setFocus();
    QTest::keyClick(chooser->Dir1, Qt::Key_End);
    QCOMPARE(QDir::currentPath(), tree(u"site"_s));
    QTest::keyClick(chooser->Dir1, Qt::Key_Return);
    QCOMPARE(QDir::currentPath(), tree(u"site/pages"_s));
    QCOMPARE(files(chooser->File1), QString());

    chooser->Command2->click();
    QTRY_VERIFY(chooser.isNull());
    QCOMPARE(window.Label1->text(), u"/remembered"_s);
    QCOMPARE(platform.settings.value(u"siteloom/startup/firstdir"_s), u"/remembered"_s);
    QCOMPARE(QDir::currentPath(), tree(u"site/pages"_s));
    QCOMPARE(openChooser(window)->Text1->text(), tree(u"site/pages"_s)); // the next opening starts there
}

void tst_fm1::confirm_data()
{
    QTest::addColumn<QString>("walk");
    QTest::addColumn<bool>("type");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("remembered");
    QTest::newRow("at once after opening") << QString() << false << QString() << u"site"_s;
    QTest::newRow("after walking") << u"images"_s << false << QString() << u"site/images"_s;
    QTest::newRow("typed path goes over as typed")
        << u"images"_s << true << u"　C:\\ホーム ページ\\ "_s << u"site/images"_s;
    QTest::newRow("emptied path box") << u"pages"_s << true << QString() << u"site/pages"_s;
}

void tst_fm1::confirm()
{
    QFETCH(QString, walk);
    QFETCH(bool, type);
    QFETCH(QString, typed);
    QFETCH(QString, remembered);
    FakePlatform platform;
    main1 window(platform);
    QPointer<fm1> chooser = openChooser(window);
    if (!walk.isEmpty())
        doubleClickEntry(chooser->Dir1, walk);
    if (type)
        typeInto(chooser->Text1, typed);
    chooser->Command1->click();
    QTRY_VERIFY(chooser.isNull());
    QCOMPARE(window.Label1->text(), type ? typed : tree(remembered));
    QCOMPARE(platform.settings.value(u"siteloom/startup/firstdir"_s), tree(remembered));
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
    platform.desktop = desktop.isEmpty() ? QString() : tree(desktop);
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
    const QString there = found ? platform.desktop : tree(u"site/images"_s);
    QCOMPARE(platform.messageTexts(),
             found ? QStringList() : QStringList{u"デスクトップのフォルダが見つかりません。"_s});
    QCOMPARE(QDir::currentPath(), there);
    QCOMPARE(shown(chooser->Dir1), there + u" > "_s);
    QCOMPARE(chooser->Drive1->drive(), driveOf(there));
    QCOMPARE(chooser->Text1->text(), found ? there : u"書きかけ"_s);
    QCOMPARE(files(chooser->File1), found ? u"memo.txt"_s : u"a.gif"_s);

    // The lists stay usable and in step with the current directory.
    doubleClickEntry(chooser->Dir1, found ? u"home"_s : u"site"_s);
    QCOMPARE(QDir::currentPath(), chooser->Dir1->path());
    QCOMPARE(chooser->Text1->text(), chooser->Dir1->path());
}

void tst_fm1::unreadableDirectory_data()
{
    QTest::addColumn<int>("permissions");
    QTest::addColumn<QString>("below");
    QTest::newRow("no permissions at all") << 0 << QString();
    QTest::newRow("names readable, not enterable") << int(QFile::ReadOwner | QFile::ReadUser) << u"inner"_s;
}

// The directory opens in the directory list (with the subdirectory names it can read) and the path
// box; the file list keeps the previous directory's names and the current directory stays where it
// was. No message.
void tst_fm1::unreadableDirectory()
{
    QFETCH(int, permissions);
    QFETCH(QString, below);
    const QString locked = tree(u"site/locked"_s);
    QVERIFY(QDir().mkpath(locked + u"/inner"_s));
    makeFile(locked + u"/secret.txt"_s);
    if (!lockOutOf(locked, QFile::Permissions(permissions)))
        QSKIP(cannotLockOut);
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    doubleClickEntry(chooser->Dir1, u"locked"_s);
    QCOMPARE(shown(chooser->Dir1), locked + u" > "_s + below);
    QCOMPARE(chooser->Text1->text(), locked);
    QCOMPARE(files(chooser->File1), u"Index.html,link.txt"_s);
    QCOMPARE(QDir::currentPath(), tree(u"site"_s));
    QVERIFY(platform.messages.isEmpty());

    doubleClickEntry(chooser->Dir1, u"site"_s);
    doubleClickEntry(chooser->Dir1, u"images"_s);
    QCOMPARE(QDir::currentPath(), tree(u"site/images"_s));
    QCOMPARE(files(chooser->File1), u"a.gif"_s);
}

void tst_fm1::vanishedDirectoryCannotBeOpened()
{
    FakePlatform platform;
    main1 window(platform);
    fm1* chooser = openChooser(window);
    QVERIFY(QDir(tree(u"site/pages"_s)).removeRecursively());
    doubleClickEntry(chooser->Dir1, u"pages"_s);
    QCOMPARE(shown(chooser->Dir1), tree(u"site > images,pages"_s));
    QCOMPARE(QDir::currentPath(), tree(u"site"_s));
    QVERIFY(platform.messages.isEmpty());
}

QTEST_MAIN(tst_fm1)
#include "tst_fm1.moc"
