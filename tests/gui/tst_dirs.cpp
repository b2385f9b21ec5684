#include "dirs/dirs.h"
#include "drives.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "qtplatform.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_dirs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void startDirectory_data();
    void startDirectory();
    void startDirectoryInTheRealStore();
    void desktopLookup_data();
    void desktopLookup();
    void driveOfAPath_data();
    void driveOfAPath();

private:
    QString m_startDirectory;
};

void tst_dirs::initTestCase()
{
    prepareGuiTest();
    m_startDirectory = QDir::currentPath();
}

void tst_dirs::cleanup()
{
    QVERIFY(QDir::setCurrent(m_startDirectory));
}

void tst_dirs::startDirectory_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("stored"); // null: nothing stored
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("saves");
    QTest::newRow("first run reads nothing") << 1 << QString() << true << false;
    QTest::newRow("empty stored value reads as nothing") << 1 << u""_s << true << false;
    QTest::newRow("mode 0 saves") << 0 << u"/earlier"_s << true << true;
    QTest::newRow("mode 2, the chooser's, saves") << 2 << u"/earlier"_s << true << true;
    QTest::newRow("mode 3 saves") << 3 << u"/earlier"_s << true << true;
    QTest::newRow("mode -1 saves") << -1 << u"/earlier"_s << true << true;
    QTest::newRow("failed save keeps the earlier value") << 2 << u"/earlier"_s << false << false;
}

// Only mode 1 reads; every other mode stores the current directory and returns "", as it does when
// the store cannot be written.
void tst_dirs::startDirectory()
{
    QFETCH(int, mode);
    QFETCH(QString, stored);
    QFETCH(bool, writable);
    QFETCH(bool, saves);
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    FakePlatform platform;
    if (!stored.isNull())
        platform.settings.insert(u"siteloom/startup/firstdir"_s, stored);
    platform.settingsWritable = writable;
    QCOMPARE(dirs_proc2(platform, static_cast<qint16>(mode), u"siteloom"_s), QString());
    QCOMPARE(dirs_proc2(platform, 1, u"siteloom"_s), saves ? QDir::currentPath() : stored);
}

// A first run reads nothing; a value saved by one run is read by the next, from application
// "siteloom", section "startup", key "firstdir".
void tst_dirs::startDirectoryInTheRealStore()
{
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString saved = QDir::currentPath();
    QSettings(u"siteloom"_s, u"siteloom"_s).remove(u"startup"_s); // a first run, however often run
    {
        QtPlatform platform;
        QCOMPARE(dirs_proc2(platform, 1, u"siteloom"_s), QString());
        QCOMPARE(dirs_proc2(platform, 2, u"siteloom"_s), QString());
    }
    QVERIFY(QDir::setCurrent(m_startDirectory));
    QtPlatform later;
    QCOMPARE(dirs_proc2(later, 1, u"siteloom"_s), saved);
    QCOMPARE(QSettings(u"siteloom"_s, u"siteloom"_s).value(u"startup/firstdir"_s).toString(), saved);
}

void tst_dirs::desktopLookup_data()
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

void tst_dirs::desktopLookup()
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

void tst_dirs::driveOfAPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    QTest::newRow("empty names no drive") << QString() << QString();
    QTest::newRow("relative names no drive") << u"web/site"_s << QString();
    QTest::newRow("root") << u"/"_s << u"/"_s;
    QTest::newRow("missing path still lies on the root volume") << u"/no/such/directory"_s << u"/"_s;
}

void tst_dirs::driveOfAPath()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    QCOMPARE(driveOf(path), drive);
}

QTEST_MAIN(tst_dirs)
#include "tst_dirs.moc"
