#include "dirs/dirs.h"
#include "drives.h"
#include "fakeplatform.h"
#include "guitest.h"

#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_dirs : public QObject
{
    Q_OBJECT

private slots:
    // dirs_proc2, which reads the start directory and stores the chooser's, is tried through the
    // windows: tst_main1 (the start), tst_fm1 (Ｏ　Ｋ and Cancel) and tst_settings (the real store).
    void initTestCase() { prepareGuiTest(); }

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
};

QTEST_MAIN(tst_dirs)
#include "tst_dirs.moc"
