#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "linkentry/linkentry.h"
#include "main1/main1.h"
#include "page/linkpage.h"
#include "programrun.h"
#include "text/cp932.h"
#include "text/textfile.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// A name that is not UTF-8 cannot pass through a QString: the shell makes it from escapes and
// builds from it.
ProgramRun runWithRawListFile(const QByteArray& rawListFile, const QStringList& arguments,
                              const QString& workingDirectory)
{
    QString escaped;
    for (const char byte : rawListFile)
        escaped += u"\\0"_s + QString::number(uchar(byte), 8);
    const QString script = u"list=$(printf '%b' \"$1\"); shift; exec \"$0\" --build \"$list\" \"$@\""_s;
    return runProgram(QStringList{escaped} + arguments, workingDirectory, {u"/bin/sh"_s, u"-c"_s, script});
}

// A command line's arguments written as one string: split at each space (an empty argument stands
// at an end), "@data/" standing for the test data's folder.
QStringList arguments(const QString& line)
{
    QStringList split = line.split(u' ');
    split.replaceInStrings(u"@data/"_s, QStringLiteral(SITELOOM_TEST_DATA "/"));
    return split;
}

// One text: the stream is exactly that; more: it begins with the first and holds every one.
bool streamHolds(const QString& stream, const QStringList& texts)
{
    if (texts.size() <= 1)
        return stream == texts.value(0);
    return stream.startsWith(texts.first()) &&
           std::all_of(texts.begin(), texts.end(),
                       [&stream](const QString& text) { return stream.contains(text); });
}

// What stands where the list file is looked for.
enum class ListFile {
    Bytes,            // a file of the row's bytes (null: nothing)
    Fifo,             // a FIFO, which nothing writes into
    Directory,        // a directory
    BelowAFile,       // the list file is looked for below a file of the row's bytes, as if it were a folder
    InShiftJisFolder, // a file of the row's bytes in a directory whose name is Shift_JIS, not UTF-8
};

} // namespace

class tst_commandline : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareGuiTest();
        m_startDirectory = QDir::currentPath();
        QVERIFY2(QFileInfo(QStringLiteral(SITELOOM_BINARY)).isExecutable(), SITELOOM_BINARY);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(writeBytes(m_dir->filePath(u"list.txt"_s), "list1=001\r\nls000=a\r\nte001=page.html\r\n"));
    }

    // The window moves to the base directory when it writes a page.
    void cleanup()
    {
        m_dir.reset();
        QVERIFY(QDir::setCurrent(m_startDirectory));
    }

    // The same list file, loaded through "ファイル読込" and written with "html 作成" in the window, and
    // built by the program: the same page byte for byte, or the window's first message that is not a
    // success on standard error. One row for each way the build can stop.
    void buildMatchesTheWindow_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // the list file; null: there is none
        QTest::addColumn<QString>("base");     // the base directory, below the test's directory
        QTest::addColumn<QString>("pageName"); // the page written, when one is
        QTest::addColumn<QString>("message");  // how the message begins, empty when the page is written
        QTest::addColumn<ListFile>("listFile");
        QTest::addColumn<QString>("reason"); // how the message's last line begins; empty: not looked at

        const auto row = [](const char* name, const QByteArray& bytes, const QString& pageName,
                            const QString& message = {}, const QString& base = u"out"_s) {
            QTest::newRow(name) << bytes << base << pageName << message << ListFile::Bytes << QString();
        };
        // Refused at once, without waiting on the file, and for the reason the system gives in Japanese.
        const auto refused = [](const char* name, ListFile listFile, const QByteArray& bytes,
                                const QString& reason) {
            QTest::newRow(name) << bytes << u"out"_s << u"link.html"_s
                                << u"ファイルを読み込めませんでした。"_s << listFile << reason;
        };
        const QString unreadable = u"ファイルを読み込めませんでした。"_s;
        const QByteArray example = readBytes(QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt"));
        row("two entries saved by the window", example, u"link.html"_s);
        row("link-back section, background image, characters of both code page halves",
            cp932::encode(
                u"list1=004\r\n"
                u"ls000=img/a.gif：ﾀﾞｲﾋﾞﾝｸﾞ①髙～：http://a.example.jp/\r\n"
                u"ls001=：名前だけ：\r\n"
                u"ls002=区切りのない項目\r\n"
                u"ls003=b.gif：名前：http://b.example.jp/?q=1：2\r\n"
                u"te001=links.html\r\nopt09=1\r\nte005=back.gif\r\n"
                u"te006=私のリンク\r\nte007=my.gif\r\nte008=自分のＨＰ<BR>日記\r\nte009=index.html\r\n"),
            u"links.html"_s);
        row("hand-edited: LF ends, keys in any order, blanks around title and file name",
            cp932::encode(
                u"te009=\nopt05=1\nte006=　 \nte001= page.html 　\nlist1=1\nls000=x.gif：サイト：x.html\n"),
            u"page.html"_s);
        row("empty file", "", u"link.html"_s, u"項目を追加してください。"_s);
        row("empty page file name", "list1=001\r\nls000=a\r\nte001=\r\n", u"link.html"_s,
            u"ｈｔｍｌファイル名を入れてください。"_s);
        row("missing list file", QByteArray(), u"link.html"_s, unreadable);
        row("saved as UTF-8", u"list1=001\r\nls000=サイト\r\n"_s.toUtf8(), u"link.html"_s, unreadable);
        row("file ending inside the entry block", "list1=005\r\nls000=a\r\nls001=b\r\n", u"link.html"_s,
            u"ファイルが途中で終わっていました。"_s);
        row("missing base directory", example, u"link.html"_s, u"ページを書き込めませんでした。"_s,
            u"missing/dir"_s);
        refused("FIFO as the list file", ListFile::Fifo, {},
                u"名前付きパイプ（FIFO）で、普通のファイルではありません"_s);
        refused("directory as the list file", ListFile::Directory, {}, u"ディレクトリです"_s);
        refused("a file where a folder of the path should be", ListFile::BelowAFile, example,
                u"ディレクトリではありません"_s);
        refused("list file in a folder whose name is Shift_JIS", ListFile::InShiftJisFolder, example,
                u"ファイルかディレクトリの名前が UTF-8 ではありません"_s);
        // The page file name is a file name in the base directory, nothing else; the file loads all the
        // same, the name shown as it is.
        const auto named = [](const QString& name) {
            return cp932::encode(u"list1=001\r\nls000=a\r\nte001=%1\r\n"_s.arg(name));
        };
        row("page file name of blanks only", named(u" 　 "_s), u"link.html"_s,
            u"ｈｔｍｌファイル名を入れてください。"_s);
        row("page file name an absolute path", named(u"/tmp/x.html"_s), u"link.html"_s,
            u"ｈｔｍｌファイル名「/tmp/x.html」には「/」を使えません。"_s);
        row("page file name two dots", named(u"　..　"_s), u"link.html"_s,
            u"「..」はｈｔｍｌファイル名に使えません"_s);
    }

    void buildMatchesTheWindow()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, base);
        QFETCH(QString, pageName);
        QFETCH(QString, message);
        QFETCH(ListFile, listFile);
        QFETCH(QString, reason);
        const QDir dir(m_dir->path());
        QVERIFY(dir.mkdir(u"out"_s));
        QString listPath = dir.filePath(u"list.txt"_s);
        QVERIFY(QFile::remove(listPath));
        const QByteArray rawName = QFile::encodeName(listPath);
        QByteArray rawListFile; // the list file's name in raw bytes, when it is not UTF-8
        switch (listFile) {
        case ListFile::Bytes:
            QVERIFY(bytes.isNull() || writeBytes(listPath, bytes));
            break;
        case ListFile::Fifo:
            QCOMPARE(::mkfifo(rawName.constData(), 0644), 0);
            break;
        case ListFile::Directory:
            QVERIFY(dir.mkdir(u"list.txt"_s));
            break;
        case ListFile::BelowAFile:
            QVERIFY(writeBytes(listPath, bytes));
            listPath += u"/list.txt"_s;
            break;
        case ListFile::InShiftJisFolder: {
            // "アリ" in Shift_JIS; the dialog and the command line both give the name decoded as UTF-8.
            const QByteArray folder = QFile::encodeName(dir.path()) + "/\x83\x41\x83\x8a";
            rawListFile = folder + "/list.txt";
            QCOMPARE(::mkdir(folder.constData(), 0755), 0);
            FILE* file = std::fopen(rawListFile.constData(), "wb");
            QVERIFY(file);
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
            QCOMPARE(std::fclose(file), 0);
            listPath = QFile::decodeName(rawListFile);
            QVERIFY(!QFileInfo::exists(listPath));
            break;
        }
        }
        // Qt cannot address a name that is not UTF-8, so the folder goes by its raw name.
        const auto removeRaw = qScopeGuard([&rawListFile] {
            if (!rawListFile.isEmpty()) {
                ::unlink(rawListFile.constData());
                ::rmdir(rawListFile.chopped(int(strlen("/list.txt"))).constData());
            }
        });
        base = dir.filePath(base);
        const QString pagePath = QDir(base).filePath(pageName);

        FakePlatform platform;
        main1 window(platform);
        window.Label1->setText(base);
        platform.fileNames.enqueue(listPath);
        window.fload->trigger();
        QCOMPARE(platform.messages.size(), 1);
        if (platform.messageTexts().constFirst() == u"読込み完了"_s)
            window.Command4->click();
        const QString last = platform.messageTexts().constLast();
        const QString stop = last == u"作成しました。"_s || last == u"読込み完了"_s ? QString() : last;
        QVERIFY2(message.isEmpty() ? stop.isEmpty() : stop.startsWith(message), qPrintable(stop));
        QVERIFY2(stop.section(u'\n', -1).startsWith(reason), qPrintable(stop));
        const QByteArray windowPage = readBytes(pagePath);
        QCOMPARE(windowPage.isEmpty(), !stop.isEmpty());
        QVERIFY(stop.isEmpty() == QFile::remove(pagePath));

        const QStringList arguments{u"--directory"_s, base};
        const ProgramRun run =
            rawListFile.isEmpty() ? runProgram(QStringList{u"--build"_s, listPath} + arguments, m_dir->path())
                                  : runWithRawListFile(rawListFile, arguments, m_dir->path());
        QCOMPARE(run.exitCode, stop.isEmpty() ? 0 : 1);
        QCOMPARE(run.out, stop.isEmpty() ? QDir::toNativeSeparators(pagePath) + u'\n' : QString());
        QCOMPARE(run.err, stop.isEmpty() ? QString() : stop + u'\n');
        QCOMPARE(readBytes(pagePath), windowPage);
        if (!stop.isEmpty()) {
            QCOMPARE(filesIn(dir.filePath(u"out"_s)), QStringList());
            // Qt lists neither a FIFO nor a folder whose name is not UTF-8.
            const bool listStands = listFile == ListFile::Bytes ? !bytes.isNull()
                                                                : listFile != ListFile::InShiftJisFolder &&
                                                                      listFile != ListFile::Fifo;
            const QStringList expected =
                listStands ? QStringList{u"list.txt"_s, u"out"_s} : QStringList{u"out"_s};
            QCOMPARE(filesIn(dir.path()), expected);
            QVERIFY(!QFileInfo::exists(u"/tmp/x.html"_s));
        }
    }

    // Where the page goes: the current directory unless --directory names one, relative names taken
    // from the current directory, as the window takes a relative base directory.
    // What the program answers without building: a usage error (exit 2, the reason and the way to the
    // help on standard error; tst_commandlineparse reads each of them), the version, the help, and a window
    // wanted with no display to show it on (said plainly instead of aborting inside Qt). None of them touches
    // a file.
    void answersWithoutBuilding_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("outHolds"); // what standard output holds (see streamHolds)
        QTest::addColumn<QStringList>("errHolds"); // the same for standard error
        QTest::addColumn<QStringList>("environment");

        const auto answer = [](const char* name, const QString& line, int exitCode, const QStringList& out,
                               const QStringList& err, const QStringList& environment = {}) {
            QTest::newRow(name) << arguments(line) << exitCode << out << err << environment;
        };
        answer("unknown option", u"--bogus"_s, 2, {},
               {u"siteloom: "_s, u"「--bogus」"_s, u"siteloom --help"_s});
        const QStringList version{u"siteloom 1.01\n"_s};
        answer("--version", u"--version"_s, 0, version, {});
        // The help names every form of the program and every option, in both languages.
        const QStringList help =
            u"使い方 / Usage:\n|siteloom [FILE]|siteloom --build FILE [--directory DIR]|-b, --build FILE|"
            u"-d, --directory DIR|-h, --help|-v, --version|ウィンドウを開かずに|without opening the window|"
            u"今のディレクトリ|the current directory|使い方の誤り / usage error"_s.split(u'|');
        answer("--help", u"--help"_s, 0, help, {});
        answer("window without a display", u"list.txt"_s, 1, {}, {u"siteloom: "_s, u"xvfb-run"_s});
        // A display that is named but cannot be reached ends with the tool's message, not Qt's abort.
        for (const QString& variable : {u"DISPLAY=:31973"_s, u"WAYLAND_DISPLAY=siteloom-no-such-socket"_s,
                                        u"QT_QPA_PLATFORM=siteloom-no-such-platform"_s}) {
            const QString message = u"siteloom: 画面（ディスプレイ）に接続できません（%1）。"_s.arg(variable);
            QTest::addRow("unreachable %s", qPrintable(variable.section(u'=', 0, 0)))
                << arguments(u"list.txt"_s) << 1 << QStringList() << QStringList{message, u"xvfb-run"_s}
                << QStringList{variable};
        }
    }

    void answersWithoutBuilding()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, outHolds);
        QFETCH(QStringList, errHolds);
        QFETCH(QStringList, environment);
        const ProgramRun run = runProgram(arguments, m_dir->path(), {}, environment);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(streamHolds(run.out, outHolds), qPrintable(run.out));
        QVERIFY2(streamHolds(run.err, errHolds), qPrintable(run.err));
        QCOMPARE(filesIn(m_dir->path()), QStringList{u"list.txt"_s});
    }

    // A list file too big for the memory the program may take ends with a message and exit 1, not an
    // abort; the same limit leaves room for a small list, so it is the list that ran out.
    void buildRunsOutOfMemory()
    {
#ifdef __SANITIZE_ADDRESS__
        QSKIP("the sanitizer reserves more address space than any limit leaves");
#endif
        const QDir dir(m_dir->path());
        const QStringList limited{u"prlimit"_s, u"--as=%1"_s.arg(128 * 1024 * 1024), u"--"_s};
        const ProgramRun small = runProgram({u"--build"_s, u"list.txt"_s}, dir.path(), limited);
        QCOMPARE(small.err, QString());
        QCOMPARE(small.exitCode, 0);
        QVERIFY(QFile::remove(dir.filePath(u"page.html"_s)));

        // 64 MiB of entries: twice that as text.
        QFile file(dir.filePath(u"big.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        constexpr int entries = 64 * 1024;
        file.write("list1=" + QByteArray::number(entries) + "\r\n");
        const QByteArray entry(1000, 'x');
        for (int i = 0; i < entries; ++i)
            file.write("ls" + QByteArray::number(i).rightJustified(3, '0') + '=' + entry + "\r\n");
        file.write("te001=page.html\r\n");
        file.close();
        QCOMPARE(file.error(), QFileDevice::NoError);

        const ProgramRun big = runProgram({u"--build"_s, u"big.txt"_s}, dir.path(), limited);
        QCOMPARE(big.err, u"siteloom: メモリが足りなくなったため、中止しました。\n"_s);
        QCOMPARE(big.exitCode, 1);
        QCOMPARE(big.out, QString());
        QCOMPARE(filesIn(dir.path()), (QStringList{u"big.txt"_s, u"list.txt"_s}));
    }

    // However the page file name and the directory reach it, the page never replaces the list file it
    // is built from: the window (after "ファイル読込") and the command line refuse with the same message
    // and the list file keeps every byte.
    void pageNeverReplacesTheListFile_data()
    {
        QTest::addColumn<QString>("pageName"); // te001 of the list file
        QTest::addColumn<QString>("base"); // the base directory, relative to the test's directory; null: none
        QTest::addColumn<QString>(
            "link"); // made in "out" before: "s NAME" a symbolic link, "h NAME" a hard link

        // The page's path as the window shows it (from the base directory) and as the command line does
        // (from --directory as given), "@" standing for the test's directory.
        QTest::addColumn<QString>("windowPath");
        QTest::addColumn<QString>("commandLinePath");

        QTest::newRow("its own name, in its directory")
            << u"list.txt"_s << u"."_s << QString() << u"@/./list.txt"_s << u"./list.txt"_s;
        QTest::newRow("its own name, in the current directory")
            << u"list.txt"_s << QString() << QString() << u"@/list.txt"_s << u"@/list.txt"_s;
        QTest::newRow("a symbolic link to it")
            << u"link.html"_s << u"out"_s << u"s link.html"_s << u"@/out/link.html"_s << u"out/link.html"_s;
        QTest::newRow("a hard link to it")
            << u"link.html"_s << u"out"_s << u"h link.html"_s << u"@/out/link.html"_s << u"out/link.html"_s;
        QTest::newRow("its own name, the directory a symbolic link to its directory")
            << u"list.txt"_s << u"out/up"_s << u"s up"_s << u"@/out/up/list.txt"_s << u"out/up/list.txt"_s;
    }

    void pageNeverReplacesTheListFile()
    {
        QFETCH(QString, pageName);
        QFETCH(QString, base);
        QFETCH(QString, link);
        QFETCH(QString, windowPath);
        QFETCH(QString, commandLinePath);
        const QDir dir(QDir(m_dir->path()).canonicalPath());
        QVERIFY(dir.mkdir(u"out"_s));
        const QString listPath = dir.filePath(u"list.txt"_s);
        const QByteArray list = cp932::encode(u"list1=001\r\nls000=a\r\nte001=%1\r\n"_s.arg(pageName));
        QVERIFY(writeBytes(listPath, list));
        if (!link.isEmpty()) {
            const QString made = dir.filePath(u"out/"_s + link.mid(2));
            const QString target = link.endsWith(u"up"_s) ? dir.path() : listPath;
            QVERIFY(link.startsWith(u's') ? QFile::link(target, made)
                                          : ::link(QFile::encodeName(listPath).constData(),
                                                   QFile::encodeName(made).constData()) == 0);
        }
        const QString baseDirectory = base.isNull() ? dir.path() : dir.filePath(base);
        const auto message = [&dir](QString path) {
            return u"ｈｔｍｌファイル名がリストファイルと同じファイルを指しているため、ページを書き込みません"
                   u"でした（リストファイルが消えてしまいます）。\n%1\n別のｈｔｍｌファイル名を入れてください。"_s
                       .arg(path.replace(u'@', dir.path()));
        };
        const QStringList filesBefore = filesIn(dir.path());
        const QStringList outBefore = filesIn(dir.filePath(u"out"_s));

        FakePlatform platform;
        main1 window(platform);
        window.Label1->setText(baseDirectory);
        platform.fileNames.enqueue(listPath);
        window.fload->trigger();
        window.Command4->click();
        QCOMPARE(platform.messageTexts(), (QStringList{u"読込み完了"_s, message(windowPath)}));
        QCOMPARE(readBytes(listPath), list);

        QStringList arguments{u"--build"_s, u"list.txt"_s};
        if (!base.isNull())
            arguments << u"--directory"_s << base;
        const ProgramRun run = runProgram(arguments, dir.path());
        QCOMPARE(run.err, message(commandLinePath) + u'\n');
        QCOMPARE(run.out, QString());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(readBytes(listPath), list);
        QCOMPARE(filesIn(dir.path()), filesBefore);
        QCOMPARE(filesIn(dir.filePath(u"out"_s)), outBefore);
    }

    // The page goes to the current directory by default, or to --directory (short options too). With a
    // current directory the system cannot name (deleted, or deeper than PATH_MAX), a build that needs
    // it (no --directory, or a relative name) is refused with a message; it once wrote /NAME. Given
    // only absolute names it needs none and builds.
    void unknownCurrentDirectory_data()
    {
        QTest::addColumn<QString>(
            "script");                     // bash: maybe makes the current directory unknown, then runs "$@"
        QTest::addColumn<QString>("line"); // the arguments, DIR standing for the test's directory
        QTest::addColumn<QString>("printed"); // DIR and PAGE (the page's name) filled in; empty: refused
        QTest::addColumn<QString>("reason");

        const QString known = u"\"$@\""_s;
        const QString deleted = u"mkdir gone && cd gone && rmdir ../gone && \"$@\""_s;
        // 45 directories of 100 characters, 4,545 characters below the test's directory; bash's cd goes
        // on by relative names where the whole path grows too long (dash's stops). The test removes them.
        const QString deep =
            u"d=$(printf 'd%.0s' $(seq 100)); i=0; "
            u"while [ $i -lt 45 ]; do mkdir $d && cd $d || exit 9; i=$((i+1)); done; \"$@\""_s;
        const QString gone = u"そのようなファイルやディレクトリはありません"_s;
        const QString tooLong = u"ファイル名が長すぎます"_s;
        const QString relative = u"--build DIR/list.txt"_s;
        const QString absolute = u"--build DIR/list.txt --directory DIR/out"_s;
        QTest::newRow("current directory by default")
            << known << u"--build list.txt"_s << u"DIR/PAGE"_s << QString();
        QTest::newRow("short options, directory ending in a separator")
            << known << u"-d out/ -b list.txt"_s << u"out/PAGE"_s << QString();
        QTest::newRow("deleted, no --directory") << deleted << relative << QString() << gone;
        QTest::newRow("deeper than the system names, no --directory")
            << deep << relative << QString() << tooLong;
        QTest::newRow("deleted, absolute names only")
            << deleted << absolute << u"DIR/out/PAGE"_s << QString();
        QTest::newRow("deeper than the system names, absolute names only")
            << deep << absolute << u"DIR/out/PAGE"_s << QString();
    }

    void unknownCurrentDirectory()
    {
        QFETCH(QString, script);
        QFETCH(QString, line);
        QFETCH(QString, printed);
        QFETCH(QString, reason);
        // A name of its own, so that a page written at the root is known for this test's.
        const QString pageName = u"siteloom-cwd-%1.html"_s.arg(QCoreApplication::applicationPid());
        const QString rootPage = u"/"_s + pageName;
        const auto removeRootPage = qScopeGuard([&] { QFile::remove(rootPage); });
        QVERIFY(!QFileInfo::exists(rootPage));
        const QDir dir(QDir(m_dir->path()).canonicalPath());
        QVERIFY(dir.mkdir(u"out"_s));
        QVERIFY(writeBytes(dir.filePath(u"list.txt"_s),
                           "list1=001\r\nls000=a\r\nte001=" + pageName.toLatin1() + "\r\n"));

        const ProgramRun run = runProgram(arguments(line.replace(u"DIR"_s, dir.path())), dir.path(),
                                          {u"bash"_s, u"-c"_s, script, u"bash"_s});
        // Deeper than QDir::removeRecursively() goes.
        QCOMPARE(QProcess::execute(u"rm"_s, {u"-rf"_s, dir.filePath(u"d"_s.repeated(100))}), 0);
        QVERIFY(!QFileInfo::exists(rootPage));
        if (!printed.isEmpty()) {
            printed.replace(u"DIR"_s, dir.path()).replace(u"PAGE"_s, pageName);
            QCOMPARE(run.err, QString());
            QCOMPARE(run.out, printed + u'\n');
            QCOMPARE(run.exitCode, 0);
            QVERIFY(QFileInfo(dir.filePath(printed)).isFile());
            return;
        }
        QCOMPARE(run.err,
                 u"今のディレクトリ（カレントディレクトリ）がわからないため、ページを書き込みませんでした"
                 u"（削除されたか、パスが長すぎます）。\n%1\n"
                 u"リストファイルと --directory を、どちらも絶対パスで指定してください。\n"_s.arg(reason));
        QCOMPARE(run.out, QString());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(filesIn(dir.path()), (QStringList{u"list.txt"_s, u"out"_s}));
        QCOMPARE(filesIn(dir.filePath(u"out"_s)), QStringList());
    }

    void importAndExport_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("written"); // the file written; empty when none may be
        QTest::addColumn<QStringList>("holds");
        QTest::addColumn<QStringList>("errHolds");
        QTest::addColumn<QString>("link"); // made first: "s NAME" a symbolic link, "h NAME" a hard link

        const auto row = [](const char* name, const QStringList& arguments, int exitCode,
                            const QString& written, const QStringList& holds,
                            const QStringList& errHolds = {}, const QString& link = {}) {
            QTest::newRow(name) << arguments << exitCode << written << holds << errHolds << link;
        };
        const QString whiteBall = QString::fromUtf16(defaultBannerUrl);
        row("bookmarks, every folder", arguments(u"--import @data/bookmarks/firefox.html --output new.txt"_s),
            0, u"new.txt"_s,
            {u"list1=002\r\nls000="_s + whiteBall +
                 u"：旅の宿 &amp; 温泉 &lt;公式&gt;：https://example.jp/travel/"_s,
             u"te006=リ　ン　ク　集\r\n"_s},
            {u"3 件"_s, u"3番目（https://www.example.com/search?q=1&lang=ja）"_s, u"U+1F600"_s});
        row("bookmarks with sites repeated: every note in order, the entries in order",
            arguments(u"--import @data/bookmarks/repeated-sites.html --output new.txt"_s), 0, u"new.txt"_s,
            {u"list1=002\r\nls000="_s + whiteBall + u"：A：http://a.example/\r\nls001="_s + whiteBall +
             u"：C：http://c.example/\r\nte001=link.html\r\n"_s},
            {u"http・https 以外のリンク 1 件は取り込みません。\n"
             u"2番目（HTTP://A.Example:80）: 取り込む1番目と同じＵＲＬです\n"
             u"3番目（http://b.example/）: "
             u"バナーＵＲＬかＨＰ名に「：」があります（項目がそこで分かれてしまいます）\n"
             u"4番目（http://b.example/#top）: 取り込む3番目と同じＵＲＬです\n"_s});
        row("bookmarks, one folder",
            arguments(u"--import @data/bookmarks/chromium.html --output new.txt --folder"_s)
                << u"Bookmarks bar/Work"_s,
            0, u"new.txt"_s, {u"list1=001\r\nls000="_s + whiteBall + u"：社内 wiki："_s}, {u"1 件"_s});
        row("every link held back: no list file",
            arguments(u"--import @data/bookmarks/firefox.html --output new.txt --folder"_s)
                << u"Bookmarks Toolbar"_s,
            1, {}, {},
            {u"1番目（https://www.example.com/search?q=1&lang=ja）"_s,
             u"リストファイルに書ける項目がありません。"_s});
        row("folder the file does not have",
            arguments(u"--import @data/bookmarks/chromium.html --output new.txt --folder Work"_s), 1, {}, {},
            {u"フォルダ「Work」"_s});
        row("bookmarks nested deeper than any browser writes: the cut is told",
            arguments(u"--import @data/bookmarks/nested-too-deep.html --output new.txt"_s), 0, u"new.txt"_s,
            {u"list1=001\r\nls000="_s + whiteBall + u"：上：https://example.jp/top/"_s},
            {u"入れ子が深すぎるため、"_s});
        row("page of this tool, with its options", arguments(u"--import page.html --output new.txt"_s), 0,
            u"new.txt"_s,
            {u"list1=001\r\nls000=b.gif：サイト<BR>日記：http://site.example/\r\nte001=page.html\r\nopt03=1"_s,
             u"te006=友達\r\n"_s});
        row("never over an existing list file",
            arguments(u"--import @data/bookmarks/firefox.html --output list.txt"_s), 1, {}, {},
            {u"すでにあります"_s});
        row("list file that cannot be saved: worded as the window words it",
            arguments(u"--import @data/bookmarks/firefox.html --output missing/new.txt"_s), 1, {}, {},
            {u"ファイルを保存できませんでした。"_s});
        row("neither bookmarks nor a page", arguments(u"--import list.txt --output new.txt"_s), 1, {}, {},
            {u"ブックマークファイルでも"_s});
        row("export as CSV", arguments(u"--export list.txt --format csv --output out.csv"_s), 0, u"out.csv"_s,
            {u"バナーURL,HP名,URL\r\na,,\r\n"_s});
        row("export as bookmarks", arguments(u"--export list.txt --format bookmarks --output out.html"_s), 0,
            u"out.html"_s,
            {u"<!DOCTYPE NETSCAPE-Bookmark-file-1>"_s, u"<DT><H3>リ　ン　ク　集</H3>"_s,
             u"<DT><A HREF=\"\"></A>"_s});
        // No export or import ever writes over a list file: not the list the export reads (by its name,
        // or through a symbolic or hard link to it), nor through a symbolic link to nowhere standing
        // where a new list file would go.
        const QString same = u"リストファイルと同じファイルを指しているため"_s;
        row("export onto its own list", arguments(u"--export list.txt --format csv --output list.txt"_s), 1,
            {}, {}, {same});
        row("export through a symbolic link to its list",
            arguments(u"--export list.txt --format csv --output out.csv"_s), 1, {}, {}, {same},
            u"s out.csv"_s);
        row("export through a hard link to its list",
            arguments(u"--export list.txt --format bookmarks --output out.html"_s), 1, {}, {}, {same},
            u"h out.html"_s);
        row("import onto a symbolic link to nowhere",
            arguments(u"--import @data/bookmarks/firefox.html --output new.txt"_s), 1, {}, {},
            {u"すでにあります"_s}, u"s new.txt"_s);
        row("export of a missing list file", arguments(u"--export none.txt --format csv --output out.csv"_s),
            1, {}, {}, {u"ファイルを読み込めませんでした。"_s});
        row("export of the page instead of a list: no entries",
            arguments(u"--export page.html --format csv --output out.csv"_s), 1, {}, {},
            {u"リストファイルに項目がありません。"_s});
        row("export into a missing directory",
            arguments(u"--export list.txt --format csv --output no/out.csv"_s), 1, {}, {},
            {u"書き出せませんでした。"_s});
    }

    void importAndExport()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, written);
        QFETCH(QStringList, holds);
        QFETCH(QStringList, errHolds);
        QFETCH(QString, link);
        const QDir dir(QDir(m_dir->path()).canonicalPath());
        const QString linkPath = dir.filePath(link.mid(2));
        const QString target = dir.filePath(link.startsWith(u"s new"_s) ? u"nowhere.txt"_s : u"list.txt"_s);
        if (link.startsWith(u's'))
            QVERIFY(QFile::link(target, linkPath));
        else if (link.startsWith(u'h'))
            QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(linkPath).constData()),
                     0);
        PageInputs page;
        page.entries = {u"b.gif：サイト<BR>日記：http://site.example/"_s};
        page.background = 3;
        page.title = u"友達"_s;
        page.fileName = u"page.html"_s;
        FileError error;
        QVERIFY(writePageFile(dir.path(), page, nullptr, &error));
        const QByteArray list = readBytes(dir.filePath(u"list.txt"_s));

        const ProgramRun run = runProgram(arguments, dir.path());
        QCOMPARE(run.exitCode, exitCode);
        for (const QString& text : errHolds)
            QVERIFY2(run.err.contains(text), qPrintable(run.err));
        QCOMPARE(run.out,
                 written.isEmpty() ? QString() : QDir::toNativeSeparators(dir.filePath(written)) + u'\n');
        QCOMPARE(readBytes(dir.filePath(u"list.txt"_s)), list);
        QStringList files{u"list.txt"_s, u"page.html"_s};
        if (!written.isEmpty())
            files.append(written);
        if (!link.isEmpty() && target.endsWith(u"list.txt"_s))
            files.append(
                link.mid(2)); // Qt lists no link to nowhere: the link stays and its target is never made
        QVERIFY(!QFileInfo::exists(dir.filePath(u"nowhere.txt"_s)));
        files.sort();
        QCOMPARE(filesIn(dir.path()), files);
        const QByteArray bytes = readBytes(dir.filePath(written));
        const QString text =
            written.endsWith(u".txt"_s) ? cp932::decode(bytes).value_or(QString()) : QString::fromUtf8(bytes);
        for (const QString& piece : holds)
            QVERIFY2(text.contains(piece), qPrintable(text));
    }

    // Imports racing for one new name: one writes the list file, every other one says it is there
    // and leaves it as the first wrote it.
    void importsRacingForOneName()
    {
        const QDir dir(m_dir->path());
        const QStringList sources{u"firefox"_s, u"chromium"_s, u"firefox"_s, u"chromium"_s};
        std::vector<std::unique_ptr<QProcess>> processes;
        for (const QString& source : sources) {
            auto& process = processes.emplace_back(std::make_unique<QProcess>());
            process->setWorkingDirectory(dir.path());
            process->start(QStringLiteral(SITELOOM_BINARY),
                           {u"--import"_s,
                            QStringLiteral(SITELOOM_TEST_DATA "/bookmarks/") + source + u".html"_s,
                            u"--output"_s, u"new.txt"_s});
        }
        QStringList winners;
        for (qsizetype i = 0; i < qsizetype(processes.size()); ++i) {
            QVERIFY(processes[i]->waitForFinished(60000));
            const QString err = QString::fromUtf8(processes[i]->readAllStandardError());
            if (processes[i]->exitCode() == 0)
                winners.append(sources[i]);
            else
                QVERIFY2(processes[i]->exitCode() == 1 && err.contains(u"すでにあります"_s), qPrintable(err));
        }
        QCOMPARE(winners.size(), 1);
        // The file is the winner's whole import: the folder only the Chromium file has, or not.
        const QString text = cp932::decode(readBytes(dir.filePath(u"new.txt"_s))).value_or(QString());
        QCOMPARE(text.contains(u"社内 wiki"_s), winners.first() == u"chromium"_s);
        QCOMPARE(filesIn(dir.path()), (QStringList{u"list.txt"_s, u"new.txt"_s}));
    }

private:
    QString m_startDirectory;
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(tst_commandline)
#include "tst_commandline.moc"
