#include "dirs/dirs.h"
#include "drives.h"
#include "fakeplatform.h"
#include "fm1/dirlist.h"
#include "fm1/drivelist.h"
#include "fm1/filelist.h"
#include "fm1/fm1.h"
#include "guitest.h"
#include "main1/main1.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString firstDir = u"siteloom/startup/firstdir"_s;
const QString typed = u"書きかけ"_s;
constexpr int asMade = -1;  // permissions of a folder left as they are
constexpr int removed = -2; // the folder removed after it was listed

// What the chooser's lists show, in one line: the path that the directory list's chain of open
// entries spells from the drive's root down, the entries below the open one, then the file list:
// "/tmp/x/site > images,pages | Index.html,link.txt".
QString shown(const fm1* chooser)
{
    const QTreeWidgetItem* open = nullptr;
    const auto all = chooser->Dir1->findItems(u"*"_s, Qt::MatchWildcard | Qt::MatchRecursive);
    for (const QTreeWidgetItem* item : all)
        open = item->toolTip(0) == chooser->Dir1->path() ? item : open;
    QStringList chain, below, files;
    for (const QTreeWidgetItem* item = open; item; item = item->parent())
        chain.prepend(item->text(0));
    for (int i = 0; open && i < open->childCount(); ++i)
        below.append(open->child(i)->text(0));
    for (int i = 0; i < chooser->File1->count(); ++i)
        files.append(chooser->File1->item(i)->text());
    return QDir::cleanPath(chain.join(u'/')) + u" > "_s + below.join(u',') + u" | "_s + files.join(u',');
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

} // namespace

class tst_fm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareGuiTest();
        m_startDirectory = QDir::currentPath();
    }

    // The process starts in "site": three subdirectories, a hidden one, two files and a hidden file.
    // Beside it, a folder for the desktop. Folders end in '/'.
    void init()
    {
        m_tree = std::make_unique<QTemporaryDir>(QFileInfo(QDir::tempPath()).canonicalFilePath() +
                                                 u"/fm1-XXXXXX"_s);
        for (const QString& path :
             {u"~/site/images/a.gif"_s, u"~/site/locked/inner/"_s, u"~/site/locked/secret.txt"_s,
              u"~/site/pages/"_s, u"~/site/.git/"_s, u"~/site/link.txt"_s, u"~/site/Index.html"_s,
              u"~/site/.hidden"_s, u"~/home/Desktop/memo.txt"_s}) {
            QVERIFY(QDir().mkpath(QFileInfo(at(path)).path()));
            QVERIFY(path.endsWith(u'/') || QFile(at(path)).open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir::setCurrent(at(u"~/site"_s)));
    }

    void cleanup()
    {
        QVERIFY(QDir::setCurrent(m_startDirectory));
        for (const QString& path : std::as_const(m_locked))
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_locked.clear();
        m_tree.reset();
    }

    // Opening shows the current directory and moves and stores nothing; the keyboard walks as well.
    void firstOpening()
    {
        FakePlatform platform;
        main1 window(platform);
        fm1* chooser = openChooser(window);
        QCOMPARE(chooser->maximumSize(), chooser->minimumSize());
        QCOMPARE(chooser->Drive1->drive(), u"/"_s);
        QCOMPARE(shown(chooser), at(u"~/site > images,locked,pages | Index.html,link.txt"_s));
        QCOMPARE(chooser->Text1->text(), at(u"~/site"_s));
        QCOMPARE(QDir::currentPath(), at(u"~/site"_s));

        QVERIFY(QTest::qWaitForWindowActive(chooser));
        QTRY_COMPARE(QApplication::focusWidget(), chooser->Drive1);
        QStringList names;
        for (QWidget* focus : tabWalk(6)) {
            names << focus->objectName();
            QCOMPARE(focus->accessibleDescription(), focus->objectName());
            const QString accessibleName =
                QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name);
            QVERIFY2(!accessibleName.isEmpty() && accessibleName != focus->objectName(),
                     qPrintable(names.last()));
        }
        QCOMPARE(names.join(u' '), u"Drive1 Dir1 Text1 File1 Command1 Command2 Command3"_s);

        // The arrow chooses an entry, Enter opens it.
        chooser->Dir1->setFocus();
        QTest::keyClick(chooser->Dir1, Qt::Key_End);
        QCOMPARE(QDir::currentPath(), at(u"~/site"_s));
        QTest::keyClick(chooser->Dir1, Qt::Key_Return);
        QCOMPARE(QDir::currentPath(), at(u"~/site/pages"_s));
        QCOMPARE(shown(chooser), at(u"~/site/pages >  | "_s));
        QVERIFY(platform.settings.isEmpty());
    }

    void movingTheLists_data()
    {
        QTest::addColumn<QString>("entry");  // the entry opened; none: the desktop button
        QTest::addColumn<QString>("folder"); // the folder changed once the chooser is open
        QTest::addColumn<int>("permissions");
        QTest::addColumn<QString>("shownAfter");
        QTest::addColumn<QString>("textAfter");
        QTest::addColumn<QString>("currentAfter");
        const auto row = [](const char* name, const QString& entry, const QString& folder, int permissions,
                            const QString& shown, const QString& text, const QString& current) {
            QTest::newRow(name) << entry << folder << permissions << shown << text << current;
        };
        const QString site = u"~/site > images,locked,pages | Index.html,link.txt"_s;
        const QString images = u"~/site/images"_s;
        const QString locked = u"~/site/locked"_s;
        const QString desktop = u"~/home/Desktop"_s;
        const int readOnly = int(QFile::ReadOwner | QFile::ReadUser);
        row("subdirectory", u"images"_s, {}, asMade, images + u" >  | a.gif"_s, images, images);
        // A directory that cannot be entered opens in the list and the path box only; the file list keeps
        // the previous names.
        row("no permissions at all", u"locked"_s, locked, 0, locked + u" >  | Index.html,link.txt"_s, locked,
            u"~/site"_s);
        row("names readable, not enterable", u"locked"_s, locked, readOnly,
            locked + u" > inner | Index.html,link.txt"_s, locked, u"~/site"_s);
        row("vanished since listed", u"pages"_s, u"~/site/pages"_s, removed, site, typed, u"~/site"_s);
        row("desktop", {}, desktop, asMade, desktop + u" >  | memo.txt"_s, desktop, desktop);
        row("no desktop reported", {}, {}, asMade, site, typed, u"~/site"_s);
        row("desktop that cannot be entered", {}, desktop, 0, site, typed, u"~/site"_s);
    }

    // Every step moves the current directory along, before either button is pressed. A folder that
    // cannot be entered or has gone moves nothing, and only the desktop button tells about it. Either way
    // the lists stay usable and in step with the current directory.
    void movingTheLists()
    {
        QFETCH(QString, entry);
        QFETCH(QString, folder);
        QFETCH(int, permissions);
        QFETCH(QString, shownAfter);
        QFETCH(QString, textAfter);
        QFETCH(QString, currentAfter);
        FakePlatform platform;
        platform.desktop = entry.isEmpty() ? at(folder) : QString();
        main1 window(platform);
        fm1* chooser = openChooser(window);
        chooser->Text1->setText(typed);
        if (permissions == removed)
            QVERIFY(QDir(at(folder)).removeRecursively());
        else if (permissions != asMade) {
            m_locked.append(at(folder)); // until cleanup()
            QVERIFY(QFile::setPermissions(at(folder), QFile::Permissions(permissions)));
            if (QDir::setCurrent(at(folder)))
                QSKIP("this user (root) enters folders whatever their permissions say");
        }

        if (entry.isEmpty())
            chooser->Command3->click();
        else
            doubleClickEntry(chooser->Dir1, entry);
        QCOMPARE(shown(chooser), at(shownAfter));
        QCOMPARE(chooser->Text1->text(), at(textAfter));
        QCOMPARE(QDir::currentPath(), at(currentAfter));
        QCOMPARE(chooser->Drive1->drive(), u"/"_s);
        const bool told = entry.isEmpty() && currentAfter == u"~/site"_s;
        QCOMPARE(platform.messageTexts(),
                 told ? QStringList{u"デスクトップのフォルダが見つかりません。"_s} : QStringList());

        doubleClickEntry(chooser->Dir1, QFileInfo(m_tree->path()).fileName());
        QCOMPARE(shown(chooser), at(u"~ > home,site | "_s));
        QCOMPARE(chooser->Text1->text(), m_tree->path());
        QCOMPARE(QDir::currentPath(), m_tree->path());
    }

    void closing_data()
    {
        QTest::addColumn<QString>("walk");
        QTest::addColumn<QString>("text"); // typed into the path box; null: nothing typed
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("focus"); // where a key is pressed; none: the button is clicked
        QTest::addColumn<int>("key");
        const auto row = [](const char* name, const QString& walk, const QString& text, bool confirm,
                            const QString& focus = {},
                            int key = 0) { QTest::newRow(name) << walk << text << confirm << focus << key; };
        const QString emptied = u""_s; // not null: typed
        row("OK at once after opening", {}, {}, true);
        row("OK hands over the typed path as typed", u"images"_s, u"　C:\\ホーム ページ\\ "_s, true);
        row("OK with the path box emptied", u"pages"_s, emptied, true);
        row("Cancel after walking and typing", u"images"_s, typed, false);
        row("Enter in the path box is OK", u"images"_s, typed, true, u"Text1"_s, Qt::Key_Return);
        row("Enter of the keypad in the file list is OK", u"pages"_s, {}, true, u"File1"_s, Qt::Key_Enter);
        row("Escape is Cancel", u"images"_s, typed, false, u"Drive1"_s, Qt::Key_Escape);
        row("Enter on the focused Cancel is Cancel", u"images"_s, typed, false, u"Command2"_s,
            Qt::Key_Return);
    }

    // "Ｏ　Ｋ" hands the path box to the base directory exactly as typed and remembers the directory open
    // in the lists; Cancel keeps both. Either way the walk stays, and the next opening starts there.
    void closing()
    {
        QFETCH(QString, walk);
        QFETCH(QString, text);
        QFETCH(bool, confirm);
        QFETCH(QString, focus);
        QFETCH(int, key);
        FakePlatform platform;
        platform.settings.insert(firstDir, u"/remembered"_s);
        main1 window(platform);
        QPointer<fm1> chooser = openChooser(window);
        if (!walk.isEmpty())
            doubleClickEntry(chooser->Dir1, walk);
        if (!text.isNull())
            chooser->Text1->setText(text);
        if (focus.isEmpty()) {
            (confirm ? chooser->Command1 : chooser->Command2)->click();
        } else {
            QVERIFY(QTest::qWaitForWindowActive(chooser));
            QWidget* target = control<QWidget>(chooser, focus);
            target->setFocus();
            QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        }
        QTRY_VERIFY(chooser.isNull());
        const QString walked = QDir::cleanPath(at(u"~/site/"_s + walk));
        QCOMPARE(window.Label1->text(), !confirm ? u"/remembered"_s : !text.isNull() ? text : walked);
        QCOMPARE(platform.settings.value(firstDir), confirm ? walked : u"/remembered"_s);
        QCOMPARE(QDir::currentPath(), walked);
        QCOMPARE(openChooser(window)->Text1->text(), walked);
    }

    void severalDrives_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("directory"); // where the lists and the current directory end
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("drive");
        const auto row = [](const char* name, const QString& steps, const QString& directory,
                            const QString& text, const QString& drive) {
            QTest::newRow(name) << steps.split(u',') << directory << text << drive;
        };
        const QString usb = u"~/drives/usb"_s;
        const QString desktop = u"~/drives/disk2/home/Desktop"_s;
        row("a drive opens at its root at first", u"drive usb"_s, usb, usb, usb);
        row("a drive opens where it was last left", u"drive usb,open photos,drive /,drive usb"_s,
            usb + u"/photos"_s, usb + u"/photos"_s, usb);
        row("the first drive opens where the walk began", u"drive usb,drive /"_s, u"~/site"_s, u"~/site"_s,
            u"/"_s);
        row("refilling the list keeps a typed path", u"drive usb,type,mount disk3,drop down"_s, usb, typed,
            usb);
        row("the desktop on another drive", u"drive disk2,open other,drive /,desktop"_s, desktop, desktop,
            u"~/drives/disk2"_s);
    }

    // With a made-up mount table of three disks under the test folder, the chooser walks from drive to
    // drive: each drive opens where this run last left it, a new volume shows up when the list drops
    // down without moving anything, and the desktop button crosses to the desktop's drive.
    void severalDrives()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, directory);
        QFETCH(QString, text);
        QFETCH(QString, drive);
        for (const QString& path : {u"~/drives/usb/photos/"_s, u"~/drives/disk2/other/"_s,
                                    u"~/drives/disk2/home/Desktop/"_s, u"~/drives/disk3/"_s})
            QVERIFY(QDir().mkpath(at(path)));
        const auto root = [this](const QString& name) {
            return name == u"/"_s ? name : at(u"~/drives/"_s + name);
        };
        FakePlatform platform;
        platform.mounts = {{u"/"_s, "ext4"}, {root(u"usb"_s), "vfat"}, {root(u"disk2"_s), "ext4"}};
        platform.desktop = at(u"~/drives/disk2/home/Desktop"_s);
        main1 window(platform);
        fm1* chooser = openChooser(window);
        QCOMPARE(chooser->Drive1->count(), 3);

        for (const QString& step : std::as_const(steps)) {
            const QString what = step.section(u' ', 0, 0);
            const QString name = step.section(u' ', 1);
            if (what == u"drive"_s)
                chooser->Drive1->setCurrentIndex(chooser->Drive1->findData(root(name)));
            else if (what == u"open"_s)
                doubleClickEntry(chooser->Dir1, name);
            else if (what == u"type"_s)
                chooser->Text1->setText(typed);
            else if (what == u"mount"_s)
                platform.mounts.append({root(name), "ext4"});
            else if (what == u"drop"_s) {
                chooser->Drive1->showPopup();
                QCOMPARE(chooser->Drive1->count(), 4);
                chooser->Drive1->hidePopup();
            } else
                chooser->Command3->click();
        }
        QCOMPARE(chooser->Dir1->path(), at(directory));
        QCOMPARE(QDir::currentPath(), at(directory));
        QCOMPARE(chooser->Text1->text(), at(text));
        QCOMPARE(chooser->Drive1->drive(), at(drive));
        QVERIFY(platform.messages.isEmpty());
    }

    // A pasted path loses its line breaks, as in the main window's boxes, and the base directory shows
    // what looks like markup as the characters it is.
    void pathBoxTakesOneLineOfPlainText()
    {
        FakePlatform platform;
        main1 window(platform);
        fm1* chooser = openChooser(window);
        chooser->Text1->clear();
        QGuiApplication::clipboard()->setText(u"<b>ホーム</b>\r\nページ\n"_s);
        chooser->Text1->paste();
        QCOMPARE(chooser->Text1->text(), u"<b>ホーム</b>ページ"_s);
        chooser->Command1->click();
        QCOMPARE(window.Label1->text(), u"<b>ホーム</b>ページ"_s);
        QCOMPARE(window.Label1->textFormat(), Qt::PlainText);
    }

    // The chooser's lookups: the desktop folder and the drives. (dirs_proc2, which reads the start
    // directory and stores the chooser's, is tried through the windows: tst_main1 for the start, the
    // closing rows above for Ｏ　Ｋ and Cancel, tst_settings on the real store.)
    void desktopLookup_data()
    {
        QTest::addColumn<QString>("relative"); // null: the desktop reports no folder
        QTest::addColumn<int>("bytes");        // the whole path's length in UTF-8, 0: as it comes
        QTest::addColumn<bool>("create");
        QTest::addColumn<bool>("found");
        QTest::newRow("absent") << u"Desktop"_s << 0 << false << false;
        QTest::newRow("none reported") << QString() << 0 << false << false;
        QTest::newRow("japanese name") << u"デスクトップ"_s << 0 << true << true;
        // The lookup's buffer holds 250 bytes with the terminator.
        QTest::newRow("249 bytes") << u"デスクトップ"_s << 249 << true << true;
        QTest::newRow("250 bytes") << u"デスクトップ"_s << 250 << true << false;
    }

    void desktopLookup()
    {
        QFETCH(QString, relative);
        QFETCH(int, bytes);
        QFETCH(bool, create);
        QFETCH(bool, found);
        QTemporaryDir home;
        FakePlatform platform;
        if (!relative.isNull())
            platform.desktop = home.path() + u'/' + relative;
        // Padded with ASCII to the length, in folders short enough for the file system; the Japanese
        // name makes the path far shorter in characters than in bytes.
        while (platform.desktop.toUtf8().size() < bytes)
            platform.desktop += platform.desktop.toUtf8().size() % 100 == 0 ? u'/' : u'a';
        QVERIFY(!create || QDir().mkpath(platform.desktop));
        QCOMPARE(dirs_proc1(platform), found ? platform.desktop : QString());
    }

    void drivesOffered_data()
    {
        QTest::addColumn<QStringList>("mounts"); // "root type", as the mount table lists them
        QTest::addColumn<QStringList>("drives");
        QTest::newRow("the root alone") << QStringList{u"/ ext4"_s} << QStringList{u"/"_s};
        QTest::newRow("pseudo file systems left out")
            << QStringList{u"/ ext4"_s, u"/proc proc"_s, u"/tmp tmpfs"_s, u"/snap/core/1 squashfs"_s}
            << QStringList{u"/"_s};
        QTest::newRow("system folders left out")
            << QStringList{u"/boot/efi vfat"_s, u"/run/lock ext4"_s, u"/sys/firmware/efi vfat"_s,
                           u"/dev/hugepages ext4"_s, u"/running ext4"_s}
            << QStringList{u"/"_s, u"/boot/efi"_s, u"/running"_s};
        QTest::newRow("media under /media")
            << QStringList{u"/media/tester/STICK vfat"_s, u"/media/cdrom iso9660"_s}
            << QStringList{u"/"_s, u"/media/tester/STICK"_s, u"/media/cdrom"_s};
        QTest::newRow("the user's media under /run/media")
            << QStringList{u"/run/media/tester/STICK vfat"_s, u"/run/media/tester/写真 exfat"_s}
            << QStringList{u"/"_s, u"/run/media/tester/STICK"_s, u"/run/media/tester/写真"_s};
        QTest::newRow("another user's media left out")
            << QStringList{u"/run/media/other/STICK vfat"_s, u"/run/media/tester ext4"_s,
                           u"/run/media/testers/STICK vfat"_s}
            << QStringList{u"/"_s};
        QTest::newRow("one drive for a volume mounted twice")
            << QStringList{u"/mnt/disk ext4"_s, u"/mnt/disk/ ext4"_s} << QStringList{u"/"_s, u"/mnt/disk"_s};
    }

    void drivesOffered()
    {
        QFETCH(QStringList, mounts);
        QFETCH(QStringList, drives);
        QList<MountedVolume> table;
        for (const QString& mount : std::as_const(mounts))
            table.append({mount.section(u' ', 0, 0), mount.section(u' ', 1).toLatin1()});
        QCOMPARE(driveRoots(table, u"tester"_s), drives);
    }

    void driveOfAPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("drive");
        QTest::newRow("empty names no drive") << QString() << QString();
        QTest::newRow("relative names no drive") << u"web/site"_s << QString();
        QTest::newRow("root") << u"/"_s << u"/"_s;
        QTest::newRow("missing path still lies on the root volume") << u"/no/such/directory"_s << u"/"_s;
        QTest::newRow("a drive's root") << u"/media/usb/"_s << u"/media/usb"_s;
        QTest::newRow("inside a drive") << u"/media/usb/site/../web"_s << u"/media/usb"_s;
        QTest::newRow("a name that only begins like a drive") << u"/media/usb2/web"_s << u"/"_s;
        QTest::newRow("the innermost of nested drives") << u"/media/usb/inner/web"_s << u"/media/usb/inner"_s;
    }

    void driveOfAPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, drive);
        QCOMPARE(driveOf(path, {u"/"_s, u"/media/usb"_s, u"/media/usb/inner"_s}), drive);
    }

private:
    [[nodiscard]] fm1* openChooser(main1& window)
    {
        window.show();
        window.Command1->click();
        return window.chooserWindow();
    }
    [[nodiscard]] QString at(QString path) const { return path.replace(u'~', m_tree->path()); }

    QString m_startDirectory;
    std::unique_ptr<QTemporaryDir> m_tree;
    QStringList m_locked;
};

QTEST_MAIN(tst_fm1)
#include "tst_fm1.moc"
