// The real settings store under faults of the file system: the window starts, the chooser's Ｏ　Ｋ
// returns, and what stands in the settings' place is left alone or, when it holds no settings that
// can be read, replaced by good ones. Runs without Qt's test mode, so that the store is found as the
// program finds it, in a home and a config directory made for each row.
#include "application.h"
#include "filebytes.h"
#include "fm1/fm1.h"
#include "guitest.h"
#include "main1/main1.h"
#include "qtplatform.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

enum class Fault {
    None,
    FifoAsSettings,      // a FIFO where the settings file goes: reading it would wait for a writer
    DirectoryAsSettings, // a directory there
    DirectoryAsLock,     // a directory where QSettings puts its lock file
    FifoAsLock,          // a FIFO there
    Unreadable,          // settings QSettings reads with a format error, garbage kept beside them
    RelativeConfigHome,  // XDG_CONFIG_HOME relative: no base directory at all
};

// What stands at the path, told without opening it: its type bits, 0 for nothing.
mode_t kindOf(const QByteArray& path)
{
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

} // namespace

class tst_settings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareApplication(); }
    void storeUnderFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("remembered"); // the start directory is read back from the store
        QTest::addColumn<bool>("saved");      // Ｏ　Ｋ leaves good settings holding the directory

        QTest::newRow("sound store") << Fault::None << true << true;
        QTest::newRow("FIFO as the settings file") << Fault::FifoAsSettings << false << false;
        QTest::newRow("directory as the settings file") << Fault::DirectoryAsSettings << false << false;
        QTest::newRow("directory where the lock file goes") << Fault::DirectoryAsLock << true << false;
        QTest::newRow("FIFO where the lock file goes") << Fault::FifoAsLock << true << false;
        QTest::newRow("settings file that cannot be read as settings") << Fault::Unreadable << true << true;
        QTest::newRow("relative XDG_CONFIG_HOME") << Fault::RelativeConfigHome << false << true;
    }

    void storeUnderFaults()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, remembered);
        QFETCH(bool, saved);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir root(QDir(dir.path()).canonicalPath());
        QVERIFY(root.mkpath(u"home"_s) && root.mkpath(u"config/siteloom"_s) && root.mkpath(u"start"_s) &&
                root.mkpath(u"work"_s));
        const QString start = root.filePath(u"start"_s); // the directory the store remembers
        const QString work = root.filePath(u"work"_s);   // the current directory when the store has none
        qputenv("HOME", QFile::encodeName(root.filePath(u"home"_s)));
        qputenv("XDG_CONFIG_HOME", fault == Fault::RelativeConfigHome
                                       ? QByteArray("config")
                                       : QFile::encodeName(root.filePath(u"config"_s)));
        QVERIFY(QDir::setCurrent(work));
        const QString settings = fault == Fault::RelativeConfigHome
                                     ? root.filePath(u"home/.config/siteloom/siteloom.conf"_s)
                                     : root.filePath(u"config/siteloom/siteloom.conf"_s);
        const QByteArray good = "[startup]\nfirstdir=" + start.toUtf8() + "\n";
        const QByteArray settingsName = QFile::encodeName(settings);
        const QByteArray lockName = settingsName + ".lock";
        switch (fault) {
        case Fault::None:
        case Fault::RelativeConfigHome:
            QVERIFY(fault == Fault::RelativeConfigHome || writeBytes(settings, good));
            break;
        case Fault::FifoAsSettings:
            QCOMPARE(::mkfifo(settingsName.constData(), 0644), 0);
            break;
        case Fault::DirectoryAsSettings:
            QCOMPARE(::mkdir(settingsName.constData(), 0755), 0);
            break;
        case Fault::DirectoryAsLock:
        case Fault::FifoAsLock:
            QVERIFY(writeBytes(settings, good));
            QCOMPARE(fault == Fault::FifoAsLock ? ::mkfifo(lockName.constData(), 0644)
                                                : ::mkdir(lockName.constData(), 0755),
                     0);
            break;
        case Fault::Unreadable:
            QVERIFY(writeBytes(settings, "[[[\n\x01garbage=1\n" + good));
            break;
        }
        const mode_t settingsKind = kindOf(settingsName);
        const mode_t lockKind = kindOf(lockName);
        const QByteArray before = settingsKind == S_IFREG ? readBytes(settings) : QByteArray();

        // The window comes up, and the chooser's Ｏ　Ｋ returns, both without waiting on anything.
        QtPlatform platform;
        main1 window(platform);
        QCOMPARE(window.Label1->text(), remembered ? start : QString());
        window.Command1->click();
        auto* chooser = window.findChild<fm1*>();
        QVERIFY(chooser);
        chooser->Command1->click();
        const QString current = QDir::currentPath();

        if (saved) {
            QCOMPARE(readBytes(settings), "[startup]\nfirstdir=" + current.toUtf8() + "\n");
            QCOMPARE(QtPlatform().readSetting(u"siteloom"_s, u"startup"_s, u"firstdir"_s), current);
        } else {
            QCOMPARE(kindOf(settingsName), settingsKind);
            QCOMPARE(kindOf(lockName), lockKind);
            if (settingsKind == S_IFREG)
                QCOMPARE(readBytes(settings), before);
        }
        QCOMPARE(filesIn(work), QStringList()); // no settings made in the current directory
        QVERIFY(QDir::setCurrent(QDir::rootPath()));
    }
};

QTEST_MAIN(tst_settings)
#include "tst_settings.moc"
