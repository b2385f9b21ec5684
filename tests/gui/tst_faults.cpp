// Real file system faults under the real handlers: a disk that fills up (a tiny tmpfs) and a
// read-only file system (a tmpfs mounted read-only), both mounted in a mount namespace of this test
// process alone, plus a missing directory and a directory where the file should be; a disk that
// fills inside the last piece of a write, the file size limit, a sync to disk that fails (the
// system call made to fail under strace), and a file that can be written only in place. Mounting needs root;
// without it those rows are skipped and say why. The command line's rows run the real program, which inherits
// the test's mount namespace.
#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "listfile/listfile.h"
#include "main1/main1.h"
#include "page/linkpage.h"
#include "programrun.h"
#include "text/textfile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <numeric>
#include <pwd.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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

// FileSizeLimit: the limit (ulimit -f) set on this process, which runs the window; the application
// ignores SIGXFSZ (the test does not), so the write fails with EFBIG rather than ending the process.
// The command line runs under prlimit. LastPiece: a disk that fills in the last piece of a write: a
// small list file or page (under the 16 KiB that Qt's write buffer would have held back to the end)
// on a tmpfs with one 4 KiB page free, or a page of several pieces on a tmpfs that fills inside its
// last one.
enum class Fault {
    FullDisk,
    ReadOnly,
    MissingDirectory,
    DirectoryInTheWay,
    FileSizeLimit,
    SyncFails,
    LastPieceSmall,
    LastPieceLarge
};

const QString reasonFull = u"デバイスに空き容量がありません"_s;

bool mountTmpfs(const QString& directory, const char* size)
{
    const QByteArray options = QByteArray("size=") + size;
    return ::mount("tmpfs", QFile::encodeName(directory).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                   options.constData()) == 0;
}

bool bindMount(const QString& from, const QString& onto)
{
    return ::mount(QFile::encodeName(from).constData(), QFile::encodeName(onto).constData(), nullptr, MS_BIND,
                   nullptr) == 0;
}

// Takes down a mount and whatever is mounted inside it.
void unmount(const QString& directory)
{
    ::umount2(QFile::encodeName(directory).constData(), MNT_DETACH);
}

// Fills the file system of the directory with a file of its own until `free` bytes are left.
bool leaveFree(const QString& directory, qint64 free)
{
    struct statvfs info;
    if (::statvfs(QFile::encodeName(directory).constData(), &info) != 0)
        return false;
    const qint64 available = qint64(info.f_bavail) * qint64(info.f_bsize);
    if (available < free ||
        !writeBytes(QDir(directory).filePath(u"filler"_s), QByteArray(available - free, 'f')))
        return false;
    return ::statvfs(QFile::encodeName(directory).constData(), &info) == 0 &&
           qint64(info.f_bavail) * qint64(info.f_bsize) == free;
}

// Keeps the sizes of the writes it is handed, as the writer hands them to a file.
class PieceRecorder final : public QIODevice
{
public:
    PieceRecorder() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    QList<qint64> pieces;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        pieces.append(size);
        return size;
    }
};

// The sizes of the pieces the page of these inputs is written in.
QList<qint64> pagePieces(const PageInputs& inputs)
{
    PieceRecorder recorder;
    LineWriter writer(&recorder);
    buildPage(inputs, [&writer](QStringView line) { writer.writeLine(line); });
    (void)writer.finish();
    return recorder.pieces;
}

qint64 total(const QList<qint64>& pieces)
{
    return std::accumulate(pieces.begin(), pieces.end(), qint64(0));
}

// A list of `entries` entries and a name of one's own, in the window.
void fillWindow(main1& window, int entries)
{
    QStringList rows;
    for (int i = 0; i < entries; ++i)
        rows.append(
            u"http://example.jp/banner/%1.gif：リンクしているサイト%1：http://example.jp/site/%1/index.html"_s
                .arg(i));
    setListRows(window, rows);
    window.Text8->setText(u"自分のページ"_s);
    window.Text9->setText(u"index.html"_s);
}

// Saves the list file at `path` ("ファイル保存") or writes the page ("html 作成") in the window, and
// gives the messages shown.
QStringList writeFromWindow(main1& window, FakePlatform& platform, bool page, const QString& path)
{
    platform.fileNames.enqueue(path);
    if (page)
        window.Command4->click();
    else
        window.fsave->trigger();
    return platform.messageTexts();
}

// The message of a write that failed for this reason.
QString failedMessage(bool page, const QString& path, const QString& reason)
{
    return (page ? u"ページを書き込めませんでした。"_s : u"ファイルを保存できませんでした。"_s) + u'\n' +
           QDir::toNativeSeparators(path) + u'\n' + reason;
}

enum class InPlace {
    ReadOnlyMount,        // the directory is a read-only mount, the file bound onto it from a writable one
    NoDirectoryRight,     // the program runs as nobody, who may write the file but not its directory
    ReadOnlyMountFull,    // as ReadOnlyMount, the file's own file system nearly full
    ReadOnlyMountRefused, // as ReadOnlyMount, a list that would read back as UTF-8: nothing is written
    ReadOnlyMountLonger,  // as ReadOnlyMount, the earlier file longer than the new one: none of it is left
};

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
    void writeThatFails_data()
    {
        QTest::addColumn<bool>("page"); // the page, or else the list file
        QTest::addColumn<bool>("commandLine");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("reason"); // why the file could not be written, in Japanese
        const auto row = [](const char* what, Fault fault, const QString& reason, bool page,
                            bool commandLine = false) {
            QTest::addRow("%s: %s%s", page ? "page" : "list file", what, commandLine ? ", command line" : "")
                << page << commandLine << fault << reason;
        };
        for (const bool page : {false, true}) {
            row("full disk", Fault::FullDisk, reasonFull, page);
            row("read-only file system", Fault::ReadOnly, u"読み込み専用のファイルシステムです"_s, page);
            row("missing directory", Fault::MissingDirectory,
                u"そのようなファイルやディレクトリはありません"_s, page);
            row("directory in the way", Fault::DirectoryInTheWay, u"ディレクトリです"_s, page);
            row("file size limit", Fault::FileSizeLimit, u"ファイルが大きすぎます"_s, page);
            row("small, 4 KiB free", Fault::LastPieceSmall, reasonFull, page);
        }
        row("file size limit", Fault::FileSizeLimit, u"ファイルが大きすぎます"_s, true, true);
        row("sync to disk fails", Fault::SyncFails, u"入出力エラーです"_s, true, true);
        row("small, 4 KiB free", Fault::LastPieceSmall, reasonFull, true, true);
        row("large, full inside the last piece", Fault::LastPieceLarge, reasonFull, true);
        row("large, full inside the last piece", Fault::LastPieceLarge, reasonFull, true, true);
    }

    // The message names what failed and why, no success message follows (the command line exits
    // with 1 and prints no path), the earlier file keeps every byte and no temporary file is left.
    void writeThatFails()
    {
        QFETCH(bool, page);
        QFETCH(bool, commandLine);
        QFETCH(Fault, fault);
        QFETCH(QString, reason);
        const bool lastPiece = fault == Fault::LastPieceSmall || fault == Fault::LastPieceLarge;
        const bool mounts = lastPiece || fault == Fault::FullDisk || fault == Fault::ReadOnly;
        if (mounts && !mountProblem.isEmpty())
            QSKIP(qPrintable(mountProblem));
        const QString tool = fault == Fault::FileSizeLimit ? u"prlimit"_s : u"strace"_s;
        if (commandLine && (fault == Fault::FileSizeLimit || fault == Fault::SyncFails) &&
            QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(tool + u" is not installed"_s));

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString web = dir.filePath(u"web"_s);
        QVERIFY(QDir().mkpath(web));
        QVERIFY2(!mounts || mountTmpfs(web, lastPiece ? "512k" : "64k"),
                 qPrintable(systemError("mount tmpfs")));
        const auto unmountWeb = qScopeGuard([&] { unmount(web); }); // before the directory goes
        const QString fileName = page ? u"link.html"_s : u"link.txt"_s;
        const QString path =
            QDir(web).filePath(fault == Fault::MissingDirectory ? u"missing/"_s + fileName : fileName);
        if (mounts || fault == Fault::FileSizeLimit || fault == Fault::SyncFails) // the earlier file
            QVERIFY(writeBytes(path, "list1=001\r\nls000=earlier：file：kept\r\n"));
        if (fault == Fault::DirectoryInTheWay)
            QVERIFY(QDir(web).mkdir(fileName));

        // A list whose file or page (a quarter of a megabyte or more) is larger than the full disk can take,
        // or that fills it in its last piece.
        FakePlatform platform;
        main1 window(platform);
        window.Label1->setText(QFileInfo(path).path()); // the page goes there
        qint64 free = 4096;
        if (fault == Fault::LastPieceLarge) {
            // Enough entries for three pieces or more, the last between 9 and 15 KiB: the disk then
            // fills on a 4 KiB boundary inside it.
            QList<qint64> pieces;
            for (int entries = 300; entries < 2000; entries += 3) {
                fillWindow(window, entries);
                pieces = pagePieces(window.pageInputs());
                if (pieces.size() >= 3 && pieces.last() >= 9 * 1024 && pieces.last() <= 15 * 1024)
                    break;
            }
            const qint64 size = total(pieces);
            free = (size - 1) / 4096 * 4096;
            QVERIFY2(free > size - pieces.last(), "the disk would not fill inside the last piece");
        } else {
            fillWindow(window, fault != Fault::LastPieceSmall ? 2500 : page ? 40 : 80);
        }
        // The list file, outside the small disk: the command line builds the page from it.
        const QString listPath = dir.filePath(u"list.txt"_s);
        ListFileSaveError saveError;
        QVERIFY(saveListFile(listPath, window.pageInputs(), &saveError));
        if (fault == Fault::LastPieceSmall) {
            const qint64 size = page ? total(pagePieces(window.pageInputs())) : QFileInfo(listPath).size();
            QVERIFY2(size > free && size < 16 * 1024, qPrintable(QString::number(size)));
        }
        if (lastPiece)
            QVERIFY(leaveFree(web, free));
        if (fault == Fault::ReadOnly)
            QVERIFY2(::mount(nullptr, QFile::encodeName(web).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                             nullptr) == 0,
                     qPrintable(systemError("remount read-only")));
        const QStringList filesBefore = filesIn(web);
        const QByteArray bytesBefore = readBytes(path);

        QString message;
        if (commandLine) {
            QStringList prefix;
            if (fault == Fault::FileSizeLimit)
                prefix = {u"prlimit"_s, u"--fsize=4000"_s, u"--"_s};
            else if (fault == Fault::SyncFails)
                // LeakSanitizer cannot run under ptrace: in a sanitized build it would add its own
                // complaint to what the program says.
                prefix = {u"env"_s,
                          u"ASAN_OPTIONS="_s + qEnvironmentVariable("ASAN_OPTIONS") + u":detect_leaks=0"_s,
                          u"strace"_s,
                          u"-f"_s,
                          u"-o"_s,
                          u"/dev/null"_s,
                          u"-e"_s,
                          u"trace=fdatasync"_s,
                          u"-e"_s,
                          u"inject=fdatasync:error=EIO"_s,
                          u"--"_s};
            const ProgramRun run =
                runProgram({u"--build"_s, listPath, u"--directory"_s, web}, dir.path(), prefix);
            QCOMPARE(run.out, QString());
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.endsWith(u'\n'), qPrintable(run.err));
            message = run.err.chopped(1);
        } else {
            rlimit previousLimit{};
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previousLimit), 0);
            if (fault == Fault::FileSizeLimit) {
                rlimit limit = previousLimit;
                limit.rlim_cur = 4000;
                QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
            }
            const QStringList messages = writeFromWindow(window, platform, page, path);
            ::setrlimit(RLIMIT_FSIZE, &previousLimit);
            QCOMPARE(messages.size(), 1);
            message = messages.constFirst();
        }
        const QStringList lines = message.split(u'\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0),
                 page ? u"ページを書き込めませんでした。"_s : u"ファイルを保存できませんでした。"_s);
        QCOMPARE(lines.at(1), QDir::toNativeSeparators(path));
        QCOMPARE(lines.at(2), reason);
        QCOMPARE(readBytes(path), bytesBefore);
        QCOMPARE(filesIn(web), filesBefore);
        QVERIFY(fault != Fault::MissingDirectory || filesBefore.isEmpty());
        QVERIFY(fault != Fault::DirectoryInTheWay || (QFileInfo(path).isDir() && filesIn(path).isEmpty()));
    }

    // A file whose directory takes no temporary file but which can itself be written is written in
    // place: the success message, the new bytes in the file, its mode as it was, nothing else in the
    // directory. Room for the whole file is reserved first, so a disk too full for it is found before
    // the file is touched: the message, the earlier bytes.
    void writesInPlace_data()
    {
        QTest::addColumn<bool>("page");
        QTest::addColumn<bool>("commandLine");
        QTest::addColumn<InPlace>("how");
        QTest::newRow("list file: read-only directory, file bound from elsewhere")
            << false << false << InPlace::ReadOnlyMount;
        QTest::newRow("page: read-only directory, file bound from elsewhere")
            << true << false << InPlace::ReadOnlyMount;
        QTest::newRow("page: read-only directory, command line") << true << true << InPlace::ReadOnlyMount;
        QTest::newRow("page: read-only directory, the earlier page longer")
            << true << false << InPlace::ReadOnlyMountLonger;
        QTest::newRow("page: directory not writable by the user, command line")
            << true << true << InPlace::NoDirectoryRight;
        QTest::newRow("page: read-only directory, the file's disk too full")
            << true << false << InPlace::ReadOnlyMountFull;
        QTest::newRow("list file: read-only directory, the file's disk too full")
            << false << false << InPlace::ReadOnlyMountFull;
        QTest::newRow("list file: read-only directory, text that would read back as UTF-8")
            << false << false << InPlace::ReadOnlyMountRefused;
    }

    void writesInPlace()
    {
        QFETCH(bool, page);
        QFETCH(bool, commandLine);
        QFETCH(InPlace, how);
        if (!mountProblem.isEmpty())
            QSKIP(qPrintable(mountProblem)); // root, for the mounts or for runuser

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir top(dir.path());
        const QString web = top.filePath(u"web"_s);
        const QString elsewhere = top.filePath(u"elsewhere"_s);
        QVERIFY(top.mkdir(u"web"_s) && top.mkdir(u"elsewhere"_s));
        const QString fileName = page ? u"link.html"_s : u"link.txt"_s;
        const QString path = QDir(web).filePath(fileName);
        QByteArray earlier = "list1=001\r\nls000=earlier：file：kept\r\n";
        const bool full = how == InPlace::ReadOnlyMountFull;
        const bool refused = how == InPlace::ReadOnlyMountRefused;

        FakePlatform platform;
        main1 window(platform);
        window.Label1->setText(web);
        fillWindow(window, 100);
        const QString listPath = top.filePath(u"list.txt"_s);
        QByteArray written;
        if (refused) {
            // ASCII but for "荳｡", the UTF-8 of "両": the writer knows only at its end.
            setListRows(window, {u"a"_s});
            window.Text8->clear();
            window.Text6->setText(u"荳｡"_s);
        } else {
            // What an ordinary write of the same file gives, and the list file the command line reads.
            ListFileSaveError saveError;
            QVERIFY(saveListFile(listPath, window.pageInputs(), &saveError));
            QString unused;
            FileError error;
            QVERIFY(writePageFile(top.path(), window.pageInputs(), &unused, &error));
            written = readBytes(top.filePath(page ? u"link.html"_s : u"list.txt"_s));
            QVERIFY(QFile::remove(top.filePath(u"link.html"_s)));
            if (how == InPlace::ReadOnlyMountLonger)
                earlier = written + QByteArray("<p>the earlier page's tail</p>\r\n").repeated(100);
        }

        QStringList prefix;
        const auto unmountAll = qScopeGuard([&] {
            if (how != InPlace::NoDirectoryRight) {
                unmount(web);
                unmount(elsewhere);
            }
        });
        if (how == InPlace::NoDirectoryRight) {
            const passwd* nobody = ::getpwnam("nobody");
            QVERIFY(nobody);
            QVERIFY(writeBytes(path, earlier));
            QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
            QCOMPARE(::chmod(QFile::encodeName(listPath).constData(), 0644), 0);
            QCOMPARE(::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid), 0);
            prefix = QStringList{u"runuser"_s, u"-u"_s, u"nobody"_s, u"--"_s};
        } else {
            if (full)
                QVERIFY2(mountTmpfs(elsewhere, "64k"), qPrintable(systemError("mount tmpfs")));
            const QString real = QDir(elsewhere).filePath(fileName);
            QVERIFY(writeBytes(real, earlier));
            QVERIFY(writeBytes(path, "covered"));
            QVERIFY2(bindMount(web, web), qPrintable(systemError("bind the directory")));
            QVERIFY2(bindMount(real, path), qPrintable(systemError("bind the file")));
            QVERIFY2(::mount(nullptr, QFile::encodeName(web).constData(), nullptr,
                             MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0,
                     qPrintable(systemError("remount the directory read-only")));
            if (full)
                QVERIFY(leaveFree(elsewhere, 4096));
        }
        if (how != InPlace::NoDirectoryRight)
            QVERIFY(!writeBytes(QDir(web).filePath(u"probe"_s), "x")); // no new file there, even for root
        QCOMPARE(QFileInfo(path).size(), qint64(earlier.size()));
        const QStringList filesBefore = filesIn(web);
        const QFile::Permissions permissions = QFile::permissions(path);

        QString message;
        if (commandLine) {
            const ProgramRun run =
                runProgram({u"--build"_s, listPath, u"--directory"_s, web}, dir.path(), prefix);
            QCOMPARE(run.err, QString());
            QCOMPARE(run.out, QDir::toNativeSeparators(path) + u'\n');
            QCOMPARE(run.exitCode, 0);
        } else {
            const QStringList messages = writeFromWindow(window, platform, page, path);
            QCOMPARE(messages.size(), 1);
            message = messages.constFirst();
        }
        if (full) {
            QCOMPARE(message, failedMessage(page, path, reasonFull));
            QCOMPARE(readBytes(path), earlier);
        } else if (refused) {
            QVERIFY2(
                message.startsWith(
                    u"この内容のまま保存すると、読み込むときに UTF-8 のファイルと見分けがつかないため"_s),
                qPrintable(message));
            QCOMPARE(readBytes(path), earlier);
        } else {
            if (!commandLine)
                QCOMPARE(message, page ? u"作成しました。"_s : u"書込み完了"_s);
            QVERIFY(readBytes(path) == written); // QCOMPARE would print kilobytes
        }
        QCOMPARE(filesIn(web), filesBefore);
        QCOMPARE(QFile::permissions(path), permissions);
    }
};

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
