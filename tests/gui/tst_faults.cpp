// Real file system faults under the real handlers: a disk that fills up (a tiny tmpfs) and a
// read-only file system (a tmpfs mounted read-only), both mounted in a mount namespace of this test
// process alone, plus a missing directory and a directory where the file should be. Mounting needs
// root; without it those rows are skipped and say why.
#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "main1/main1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

QString systemError(const char* what)
{
    return QString::fromLocal8Bit(what) + u": "_s + QString::fromLocal8Bit(std::strerror(errno));
}

// Why this process cannot mount file systems of its own; empty when it can.
QString mountProblem;

// Moves the process into a mount namespace of its own whose mounts reach no other process. The
// kernel allows this only to a process of one thread, so it runs before the application starts.
QString enterPrivateMountNamespace()
{
    if (::geteuid() != 0)
        return u"needs root to mount a small or read-only file system"_s;
    if (::unshare(CLONE_NEWNS) != 0)
        return systemError("unshare(CLONE_NEWNS)");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return systemError("making the mounts private");
    return {};
}

enum class Fault { FullDisk, ReadOnly, MissingDirectory, DirectoryInTheWay };

QStringList filesIn(const QString& directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class tst_faults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareGuiTest();
        if (!mountProblem.isEmpty())
            qInfo("full disk and read-only rows will be skipped: %s", qPrintable(mountProblem));
    }
    void writeThatFails_data();
    void writeThatFails();
};

void tst_faults::writeThatFails_data()
{
    QTest::addColumn<bool>("page"); // the page, or else the list file
    QTest::addColumn<Fault>("fault");
    // Why the file could not be written, as Qt words it (in the application's language), or empty
    // where any wording will do.
    QTest::addColumn<QString>("reason");
    const QString full = QCoreApplication::translate("QIODevice", "No space left on device");
    const QString notWritable = QCoreApplication::translate("QSaveFile", "Existing file %1 is not writable");
    const QString missing = QCoreApplication::translate("QIODevice", "No such file or directory");
    for (const bool page : {false, true}) {
        const char* name = page ? "page" : "list file";
        QTest::addRow("%s: full disk", name) << page << Fault::FullDisk << full;
        QTest::addRow("%s: read-only file system", name) << page << Fault::ReadOnly << notWritable;
        QTest::addRow("%s: missing directory", name) << page << Fault::MissingDirectory << missing;
        QTest::addRow("%s: directory in the way", name) << page << Fault::DirectoryInTheWay << QString();
    }
}

// The message names what failed and why, no success message follows, the earlier file keeps every
// byte and no temporary file is left behind.
void tst_faults::writeThatFails()
{
    QFETCH(bool, page);
    QFETCH(Fault, fault);
    QFETCH(QString, reason);
    const bool mounts = fault == Fault::FullDisk || fault == Fault::ReadOnly;
    if (mounts && !mountProblem.isEmpty())
        QSKIP(qPrintable(mountProblem));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString web = dir.filePath(u"web"_s);
    QVERIFY(QDir().mkpath(web));
    const QByteArray webName = QFile::encodeName(web);
    if (mounts)
        QVERIFY2(::mount("tmpfs", webName.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") == 0,
                 qPrintable(systemError("mount tmpfs")));
    // Taken down before the directory goes.
    const auto unmount = qScopeGuard([&] {
        if (mounts)
            ::umount2(webName.constData(), MNT_DETACH);
    });
    const QString fileName = page ? u"link.html"_s : u"link.txt"_s;
    const QString path =
        QDir(web).filePath(fault == Fault::MissingDirectory ? u"missing/"_s + fileName : fileName);
    if (mounts) // the earlier file
        QVERIFY(writeBytes(path, "list1=001\r\nls000=earlier：file：kept\r\n"));
    if (fault == Fault::DirectoryInTheWay)
        QVERIFY(QDir(web).mkdir(fileName));
    if (fault == Fault::ReadOnly)
        QVERIFY2(::mount(nullptr, webName.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0,
                 qPrintable(systemError("remount read-only")));
    const QStringList filesBefore = filesIn(web);
    const QByteArray bytesBefore = readBytes(path);

    // A list whose file or page (about 150 kB) is larger than the full disk can take.
    FakePlatform platform;
    main1 window(platform);
    window.Label1->setText(QFileInfo(path).path()); // the page goes there
    QStringList rows;
    for (int i = 0; i < 2500; ++i)
        rows.append(u"http://example.jp/banner%1.gif：サイト%1：http://example.jp/%1/"_s.arg(i));
    setListRows(window, rows);
    window.Text8->setText(u"自分のページ"_s);
    window.Text9->setText(u"index.html"_s);
    platform.fileNames.enqueue(path);
    if (page)
        window.Command4->click();
    else
        window.fsave->trigger();

    QCOMPARE(platform.messages.size(), 1);
    const QStringList lines = platform.messages.constFirst().text.split(u'\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), page ? u"ページを書き込めませんでした。"_s : u"ファイルを保存できませんでした。"_s);
    QCOMPARE(lines.at(1), QDir::toNativeSeparators(path));
    QVERIFY(!lines.at(2).isEmpty());
    if (!reason.isEmpty())
        QCOMPARE(lines.at(2), reason.contains(u"%1"_s) ? reason.arg(path) : reason);
    QCOMPARE(readBytes(path), bytesBefore);
    QCOMPARE(filesIn(web), filesBefore);
    QVERIFY(fault != Fault::MissingDirectory || filesBefore.isEmpty());
    QVERIFY(fault != Fault::DirectoryInTheWay || (QFileInfo(path).isDir() && filesIn(path).isEmpty()));
}

// The mount namespace must be entered while the process still has one thread: before the
// application object exists.
int main(int argc, char* argv[])
{
    mountProblem = enterPrivateMountNamespace();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_faults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
