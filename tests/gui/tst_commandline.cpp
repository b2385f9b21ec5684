#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "main/main1.h"
#include "text/cp932.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString examplePath = QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt");

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the real program as a script would, without any display: a window, a QGuiApplication or a
// platform plugin would make it abort.
Run runProgram(const QStringList& arguments, const QString& workingDirectory)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(SITELOOM_BINARY), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.err = u"the program did not finish normally"_s;
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList filesIn(const QString& directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class tst_commandline : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void buildMatchesTheWindow_data();
    void buildMatchesTheWindow();
    void buildPlacesThePage_data();
    void buildPlacesThePage();
    void answersWithoutAWindow_data();
    void answersWithoutAWindow();
    void windowNeedsADisplay();

private:
    QString m_startDirectory;
    QTemporaryDir* m_dir = nullptr;
};

void tst_commandline::initTestCase()
{
    prepareGuiTest();
    m_startDirectory = QDir::currentPath();
    QVERIFY2(QFileInfo(QStringLiteral(SITELOOM_BINARY)).isExecutable(), SITELOOM_BINARY);
}

void tst_commandline::init()
{
    QVERIFY(QDir::setCurrent(m_startDirectory));
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void tst_commandline::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
    QVERIFY(QDir::setCurrent(m_startDirectory));
}

// The same list file, loaded through "ファイル読込" and written with "html 作成" in the window, and
// built by the program: the same page byte for byte, or the window's first message that is not a
// success on standard error.
void tst_commandline::buildMatchesTheWindow_data()
{
    QTest::addColumn<QByteArray>("bytes"); // the list file; null: the name below is what it is
    QTest::addColumn<QString>("listName");
    QTest::addColumn<QString>("outputName"); // the base directory, below the test's directory
    QTest::addColumn<QString>("pageName");   // the page written, when one is
    QTest::addColumn<QString>("message");    // how the message begins, empty when the page is written

    const QString unreadable = u"ファイルを読み込めませんでした。"_s;
    const QString noEntries = u"項目を追加してください。"_s;
    const QString list = u"list.txt"_s;
    const QString out = u"out"_s;
    const QString page = u"link.html"_s;

    QTest::newRow("two entries saved by the window")
        << readBytes(examplePath) << list << out << page << QString();
    QTest::newRow("link-back section, background image, characters of both code page halves")
        << cp932::encode(
               u"list1=004\r\n"
               u"ls000=img/a.gif：ﾀﾞｲﾋﾞﾝｸﾞ①髙～：http://a.example.jp/\r\n"
               u"ls001=：名前だけ：\r\n"
               u"ls002=区切りのない項目\r\n"
               u"ls003=b.gif：名前：http://b.example.jp/?q=1：2\r\n"
               u"te001=links.html\r\nopt09=1\r\nte005=back.gif\r\n"
               u"te006=私のリンク\r\nte007=my.gif\r\nte008=自分のＨＰ<BR>日記\r\nte009=index.html\r\n")
        << list << out << u"links.html"_s << QString();
    QTest::newRow("hand-edited with LF line ends, keys in any order")
        << cp932::encode(u"te009=\nopt05=1\nlist1=1\nls000=x.gif：サイト：x.html\n") << list << out << page
        << QString();
    QTest::newRow("blank title takes the default")
        << cp932::encode(u"list1=001\r\nls000=a：b：c\r\nte006=　 \r\n") << list << out << page << QString();
    QTest::newRow("file name with blanks around it")
        << cp932::encode(u"list1=001\r\nls000=a\r\nte001= page.html 　\r\n") << list << out << u"page.html"_s
        << QString();
    QTest::newRow("no entries") << QByteArray("list1=000\r\nte006=T\r\n") << list << out << page << noEntries;
    QTest::newRow("no count line") << QByteArray("te006=T\r\n") << list << out << page << noEntries;
    QTest::newRow("empty file") << QByteArray("") << list << out << page << noEntries;
    QTest::newRow("empty page file name") << QByteArray("list1=001\r\nls000=a\r\nte001=\r\n") << list << out
                                          << page << u"ｈｔｍｌファイル名を入れてください。"_s;
    QTest::newRow("missing list file") << QByteArray() << u"missing.txt"_s << out << page << unreadable;
    QTest::newRow("list file is a directory") << QByteArray() << u"folder"_s << out << page << unreadable;
    QTest::newRow("saved as UTF-8") << u"list1=001\r\nls000=サイト\r\n"_s.toUtf8() << list << out << page
                                    << unreadable;
    QTest::newRow("saved as UTF-8 with a byte-order mark")
        << QByteArray("\xEF\xBB\xBFlist1=001\r\nls000=a\r\n") << list << out << page << unreadable;
    QTest::newRow("holding NUL bytes")
        << QByteArray("list1=001\r\nls000=a\0b\r\n", 22) << list << out << page << unreadable;
    QTest::newRow("title longer than its box")
        << QByteArray("list1=001\r\nls000=a\r\nte006=") + QByteArray(40000, 'T') << list << out << page
        << unreadable;
    QTest::newRow("entry longer than its boxes")
        << QByteArray("list1=001\r\nls000=") + QByteArray(40000, 'b') << list << out << page << unreadable;
    QTest::newRow("lead byte cut off at the end")
        << QByteArray("list1=001\r\nls000=a\x82") << list << out << page << unreadable;
    QTest::newRow("file ending inside the entry block")
        << QByteArray("list1=005\r\nls000=a\r\nls001=b\r\n") << list << out << page
        << u"ファイルが途中で終わっていました。"_s;
    QTest::newRow("missing base directory")
        << readBytes(examplePath) << list << u"missing/dir"_s << page << u"ページを書き込めませんでした。"_s;
}

void tst_commandline::buildMatchesTheWindow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, listName);
    QFETCH(QString, outputName);
    QFETCH(QString, pageName);
    QFETCH(QString, message);
    const QDir dir(m_dir->path());
    QVERIFY(dir.mkdir(u"folder"_s));
    QVERIFY(dir.mkdir(u"out"_s));
    const QString listPath = dir.filePath(listName);
    if (!bytes.isNull())
        QVERIFY(writeBytes(listPath, bytes));
    const QString base = dir.filePath(outputName);
    const QString pagePath = QDir(base).filePath(pageName);

    FakePlatform platform;
    main1 window(platform);
    window.Label1->setText(base);
    platform.fileNames.enqueue(listPath);
    window.fload->trigger();
    QCOMPARE(platform.messages.size(), 1);
    if (platform.messageTexts().constFirst() == u"読込み完了"_s)
        window.Command4->click();
    const QStringList shown = platform.messageTexts();
    QVERIFY(!shown.isEmpty());
    const QString stop = shown.constLast() == u"作成しました。"_s || shown.constLast() == u"読込み完了"_s
                             ? QString()
                             : shown.constLast();
    QVERIFY2(message.isEmpty() ? stop.isEmpty() : stop.startsWith(message), qPrintable(stop));
    const QByteArray windowPage = readBytes(pagePath);
    if (stop.isEmpty()) {
        QVERIFY(!windowPage.isEmpty());
        QVERIFY(QFile::remove(pagePath));
    }

    const Run run = runProgram({u"--build"_s, listPath, u"--directory"_s, base}, m_dir->path());
    if (stop.isEmpty()) {
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QDir::toNativeSeparators(pagePath) + u'\n');
        QCOMPARE(readBytes(pagePath), windowPage);
    } else {
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, stop + u'\n');
        QCOMPARE(filesIn(dir.filePath(u"out"_s)), QStringList());
    }
}

// Where the page goes: the current directory unless --directory names one, relative names taken
// from the current directory, as the window takes a relative base directory.
void tst_commandline::buildPlacesThePage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("printed");

    QTest::newRow("current directory by default") << QStringList{u"--build"_s, u"list.txt"_s} << QString();
    QTest::newRow("relative directory")
        << QStringList{u"--build"_s, u"list.txt"_s, u"--directory"_s, u"out"_s} << u"out/page.html"_s;
    QTest::newRow("directory ending in a separator")
        << QStringList{u"-d"_s, u"out/"_s, u"-b"_s, u"list.txt"_s} << u"out/page.html"_s;
    QTest::newRow("values after equals signs")
        << QStringList{u"--build=list.txt"_s, u"--directory=out"_s} << u"out/page.html"_s;
}

void tst_commandline::buildPlacesThePage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, printed);
    const QDir dir(QDir(m_dir->path()).canonicalPath());
    QVERIFY(dir.mkdir(u"out"_s));
    QVERIFY(writeBytes(dir.filePath(u"list.txt"_s), "list1=001\r\nls000=a\r\nte001=page.html\r\n"));
    if (printed.isEmpty())
        printed = dir.filePath(u"page.html"_s);

    const Run run = runProgram(arguments, dir.path());
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, printed + u'\n');
    QVERIFY(QFileInfo(dir.filePath(printed)).isFile());
}

// What the program answers without a window: usage errors (exit 2, the reason and the way to the
// help on standard error), the version and the help. None of them touches a file.
void tst_commandline::answersWithoutAWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");          // the whole of standard output
    QTest::addColumn<QStringList>("outHolds"); // or what it holds
    QTest::addColumn<QStringList>("errHolds"); // what standard error holds; none: it is empty

    const auto usage = [](const char* name, const QStringList& arguments, const QString& reason) {
        QTest::newRow(name) << arguments << 2 << QString() << QStringList()
                            << QStringList{u"siteloom: "_s, reason, u"siteloom --help"_s};
    };
    usage("unknown option", {u"--bogus"_s}, u"「--bogus」"_s);
    usage("unknown option with --build", {u"--build"_s, u"list.txt"_s, u"-x"_s}, u"「-x」"_s);
    usage("build without its file", {u"--build"_s}, u"--build"_s);
    usage("build with an empty name", {u"--build"_s, QString()}, u"--build"_s);
    usage("build with a second file", {u"--build"_s, u"list.txt"_s, u"other.txt"_s}, u"other.txt"_s);
    usage("build twice", {u"--build"_s, u"list.txt"_s, u"-b"_s, u"list.txt"_s}, u"--build"_s);
    usage("directory without build", {u"--directory"_s, u"out"_s}, u"--directory"_s);
    usage("empty directory", {u"--build"_s, u"list.txt"_s, u"--directory"_s, QString()}, u"--directory"_s);
    usage("two files to open", {u"list.txt"_s, u"other.txt"_s}, u"一つだけ"_s);
    usage("empty file to open", {QString()}, u"空"_s);

    const QString version = u"siteloom 1.01\n"_s;
    QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << version << QStringList()
                               << QStringList();
    QTest::newRow("-v") << QStringList{u"-v"_s} << 0 << version << QStringList() << QStringList();
    QTest::newRow("version before a build") << QStringList{u"-v"_s, u"--build"_s, u"list.txt"_s} << 0
                                            << version << QStringList() << QStringList();
    // The help names every form of the program and every option, in both languages.
    const QStringList help = {u"siteloom [FILE]"_s,
                              u"siteloom --build FILE [--directory DIR]"_s,
                              u"-b, --build FILE"_s,
                              u"-d, --directory DIR"_s,
                              u"-h, --help"_s,
                              u"-v, --version"_s,
                              u"ウィンドウを開かずに"_s,
                              u"without opening the window"_s,
                              u"今のディレクトリ"_s,
                              u"the current directory"_s,
                              u"使い方の誤り / usage error"_s};
    QTest::newRow("--help") << QStringList{u"--help"_s} << 0 << QString() << help << QStringList();
    QTest::newRow("-h") << QStringList{u"-h"_s} << 0 << QString() << help << QStringList();
    QTest::newRow("help before a build")
        << QStringList{u"--build"_s, u"list.txt"_s, u"--help"_s} << 0 << QString() << help << QStringList();
}

void tst_commandline::answersWithoutAWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QStringList, outHolds);
    QFETCH(QStringList, errHolds);
    QVERIFY(writeBytes(m_dir->filePath(u"list.txt"_s), "list1=001\r\nls000=a\r\n"));
    const Run run = runProgram(arguments, m_dir->path());
    QCOMPARE(run.exitCode, exitCode);
    if (outHolds.isEmpty())
        QCOMPARE(run.out, out);
    for (const QString& text : std::as_const(outHolds))
        QVERIFY2(run.out.contains(text), qPrintable(text));
    if (errHolds.isEmpty())
        QCOMPARE(run.err, QString());
    for (const QString& text : std::as_const(errHolds))
        QVERIFY2(run.err.contains(text), qPrintable(run.err));
    QVERIFY2(errHolds.isEmpty() || run.err.startsWith(errHolds.constFirst()), qPrintable(run.err));
    QCOMPARE(filesIn(m_dir->path()), QStringList{u"list.txt"_s});
}

// Without --build the window is wanted; with no display at all the program says so instead of
// aborting inside Qt.
void tst_commandline::windowNeedsADisplay()
{
    QVERIFY(writeBytes(m_dir->filePath(u"list.txt"_s), "list1=001\r\nls000=a\r\n"));
    const Run run = runProgram({u"list.txt"_s}, m_dir->path());
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(u"xvfb-run"_s), qPrintable(run.err));
}

QTEST_MAIN(tst_commandline)
#include "tst_commandline.moc"
