#include "dirs/dirs.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "platform/drives.h"
#include "platform/qtplatform.h"

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
    void firstRunReadsNothing();
    void everyModeButOneSaves_data();
    void everyModeButOneSaves();
    void emptyStoredValueReadsAsNothing();
    void saveFailureKeepsEarlierValue();
    void storedValueSurvivesIntoAFreshStore();
    void desktopLookup_data();
    void desktopLookup();
    void desktopPathLength_data();
    void desktopPathLength();
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

void tst_dirs::firstRunReadsNothing()
{
    FakePlatform platform;
    QCOMPARE(dirs_proc2(platform, 1, u"siteloom"_s), QString());
    QtPlatform real;
    QCOMPARE(dirs_proc2(real, 1, u"siteloom-first-run"_s), QString());
}

void tst_dirs::everyModeButOneSaves_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("mode 0") << 0;
    QTest::newRow("mode 2, the chooser's") << 2;
    QTest::newRow("mode 3") << 3;
    QTest::newRow("mode -1") << -1;
}

void tst_dirs::everyModeButOneSaves()
{
    QFETCH(int, mode);
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    FakePlatform platform;
    QCOMPARE(dirs_proc2(platform, static_cast<qint16>(mode), u"siteloom"_s), QString());
    QCOMPARE(platform.settings.value(u"siteloom/startup/firstdir"_s), QDir::currentPath());
    QCOMPARE(dirs_proc2(platform, 1, u"siteloom"_s), QDir::currentPath());
}

void tst_dirs::emptyStoredValueReadsAsNothing()
{
    FakePlatform platform;
    platform.settings.insert(u"siteloom/startup/firstdir"_s, QString());
    QCOMPARE(dirs_proc2(platform, 1, u"siteloom"_s), QString());
}

void tst_dirs::saveFailureKeepsEarlierValue()
{
    FakePlatform platform;
    platform.settings.insert(u"siteloom/startup/firstdir"_s, u"/earlier"_s);
    platform.settingsWritable = false;
    QCOMPARE(dirs_proc2(platform, 2, u"siteloom"_s), QString());
    QCOMPARE(dirs_proc2(platform, 1, u"siteloom"_s), u"/earlier"_s);
}

void tst_dirs::storedValueSurvivesIntoAFreshStore()
{
    QTemporaryDir dir;
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString saved = QDir::currentPath();
    {
        QtPlatform platform;
        QCOMPARE(dirs_proc2(platform, 2, u"siteloom"_s), QString());
    }
    QVERIFY(QDir::setCurrent(m_startDirectory));
    QtPlatform later;
    QCOMPARE(dirs_proc2(later, 1, u"siteloom"_s), saved);
    // Where a later run looks for it: application "siteloom", section "startup", key "firstdir".
    QSettings store(u"siteloom"_s, u"siteloom"_s);
    QCOMPARE(store.value(u"startup/firstdir"_s).toString(), saved);
}

void tst_dirs::desktopLookup_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("create");
    QTest::addColumn<bool>("found");
    QTest::newRow("present") << u"Desktop"_s << true << true;
    QTest::newRow("absent") << u"Desktop"_s << false << false;
    QTest::newRow("none reported") << QString() << false << false;
    QTest::newRow("japanese name") << u"デスクトップ"_s << true << true;
}

void tst_dirs::desktopLookup()
{
    QFETCH(QString, relative);
    QFETCH(bool, create);
    QFETCH(bool, found);
    QTemporaryDir home;
    FakePlatform platform;
    if (!relative.isEmpty()) {
        platform.desktop = home.path() + u'/' + relative;
        if (create)
            QVERIFY(QDir().mkpath(platform.desktop));
    }
    QCOMPARE(dirs_proc1(platform), found ? platform.desktop : QString());
}

// The lookup's buffer holds 250 bytes with the terminator: 249 bytes of path pass, 250 do not.
void tst_dirs::desktopPathLength_data()
{
    QTest::addColumn<int>("bytes");
    QTest::addColumn<bool>("found");
    QTest::newRow("249 bytes") << 249 << true;
    QTest::newRow("250 bytes") << 250 << false;
}

void tst_dirs::desktopPathLength()
{
    QFETCH(int, bytes);
    QFETCH(bool, found);
    QTemporaryDir home;
    QString path = home.path() + u'/';
    // Each "デ" is three bytes in UTF-8; pad with ASCII to the exact length, in directories of at
    // most 200 bytes so that no single name is too long for the file system.
    while (path.toUtf8().size() + 3 <= bytes - 1 && path.toUtf8().size() % 150 < 140)
        path += u"デ"_s;
    while (path.toUtf8().size() < bytes) {
        path += (path.toUtf8().size() % 100 == 99 && bytes - path.toUtf8().size() > 1) ? u'/' : u'a';
    }
    QCOMPARE(path.toUtf8().size(), bytes);
    QVERIFY(QDir().mkpath(path));
    FakePlatform platform;
    platform.desktop = path;
    QCOMPARE(dirs_proc1(platform), found ? path : QString());
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
