#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "linkentry/linkentry.h"
#include "main1/main1.h"
#include "page/linkpage.h"
#include "text/cp932.h"
#include "text/textfile.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

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
    for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(SITELOOM_BINARY), arguments);
    // A program that hangs is killed when the process object goes, and reported as exit -1.
    const bool finished = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return Run{finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
               QString::fromUtf8(process.readAllStandardError())};
}

QStringList filesIn(const QString& directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
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
    void answersWithoutBuilding_data();
    void answersWithoutBuilding();
    void importAndExport_data();
    void importAndExport();

private:
    QString m_startDirectory;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_commandline::initTestCase()
{
    prepareGuiTest();
    m_startDirectory = QDir::currentPath();
    QVERIFY2(QFileInfo(QStringLiteral(SITELOOM_BINARY)).isExecutable(), SITELOOM_BINARY);
}

void tst_commandline::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(writeBytes(m_dir->filePath(u"list.txt"_s), "list1=001\r\nls000=a\r\nte001=page.html\r\n"));
}

// The window moves to the base directory when it writes a page.
void tst_commandline::cleanup()
{
    m_dir.reset();
    QVERIFY(QDir::setCurrent(m_startDirectory));
}

// The same list file, loaded through "ファイル読込" and written with "html 作成" in the window, and
// built by the program: the same page byte for byte, or the window's first message that is not a
// success on standard error. One row for each way the build can stop.
void tst_commandline::buildMatchesTheWindow_data()
{
    QTest::addColumn<QByteArray>("bytes"); // the list file; null: there is none
    QTest::addColumn<QString>("base");     // the base directory, below the test's directory
    QTest::addColumn<QString>("pageName"); // the page written, when one is
    QTest::addColumn<QString>("message");  // how the message begins, empty when the page is written

    const auto row = [](const char* name, const QByteArray& bytes, const QString& pageName,
                        const QString& message = {}, const QString& base = u"out"_s) {
        QTest::newRow(name) << bytes << base << pageName << message;
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
}

void tst_commandline::buildMatchesTheWindow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, base);
    QFETCH(QString, pageName);
    QFETCH(QString, message);
    const QDir dir(m_dir->path());
    QVERIFY(dir.mkdir(u"out"_s));
    const QString listPath = dir.filePath(u"list.txt"_s);
    QVERIFY(bytes.isNull() ? QFile::remove(listPath) : writeBytes(listPath, bytes));
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
    const QByteArray windowPage = readBytes(pagePath);
    QCOMPARE(windowPage.isEmpty(), !stop.isEmpty());
    QVERIFY(stop.isEmpty() == QFile::remove(pagePath));

    const Run run = runProgram({u"--build"_s, listPath, u"--directory"_s, base}, m_dir->path());
    QCOMPARE(run.exitCode, stop.isEmpty() ? 0 : 1);
    QCOMPARE(run.out, stop.isEmpty() ? QDir::toNativeSeparators(pagePath) + u'\n' : QString());
    QCOMPARE(run.err, stop.isEmpty() ? QString() : stop + u'\n');
    QCOMPARE(readBytes(pagePath), windowPage);
    if (!stop.isEmpty())
        QCOMPARE(filesIn(dir.filePath(u"out"_s)), QStringList());
}

// Where the page goes: the current directory unless --directory names one, relative names taken
// from the current directory, as the window takes a relative base directory.
void tst_commandline::buildPlacesThePage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("printed"); // empty: the page's full path in the current directory

    QTest::newRow("current directory by default") << QStringList{u"--build"_s, u"list.txt"_s} << QString();
    QTest::newRow("short options, directory ending in a separator")
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
    if (printed.isEmpty())
        printed = dir.filePath(u"page.html"_s);

    const Run run = runProgram(arguments, dir.path());
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, printed + u'\n');
    QVERIFY(QFileInfo(dir.filePath(printed)).isFile());
}

// What the program answers without building: usage errors (exit 2, the reason and the way to the
// help on standard error), the version, the help, and a window wanted with no display to show it
// on (said plainly instead of aborting inside Qt). None of them touches a file.
void tst_commandline::answersWithoutBuilding_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("outHolds"); // what standard output holds (see streamHolds)
    QTest::addColumn<QStringList>("errHolds"); // the same for standard error

    const auto usage = [](const char* name, const QStringList& arguments, const QString& reason) {
        QTest::newRow(name) << arguments << 2 << QStringList()
                            << QStringList{u"siteloom: "_s, reason, u"siteloom --help"_s};
    };
    usage("unknown option", {u"--bogus"_s}, u"「--bogus」"_s);
    usage("unknown short option with --build", {u"--build"_s, u"list.txt"_s, u"-x"_s}, u"「-x」"_s);
    usage("build with an empty name", {u"--build"_s, QString()}, u"--build"_s);
    usage("build with a second file", {u"--build"_s, u"list.txt"_s, u"other.txt"_s}, u"other.txt"_s);
    usage("build twice", {u"--build"_s, u"list.txt"_s, u"-b"_s, u"list.txt"_s}, u"--build"_s);
    usage("directory without build", {u"--directory"_s, u"out"_s}, u"--directory"_s);
    usage("empty directory", {u"--build"_s, u"list.txt"_s, u"--directory"_s, QString()}, u"--directory"_s);
    usage("two files to open", {u"list.txt"_s, u"other.txt"_s}, u"一つだけ"_s);
    usage("empty file to open", {QString()}, u"空"_s);
    usage("import without output", {u"--import"_s, u"list.txt"_s}, u"--output"_s);
    usage("import and export at once",
          {u"--import"_s, u"a.html"_s, u"--export"_s, u"list.txt"_s, u"--output"_s, u"b"_s}, u"--export"_s);
    usage("export in an unknown format",
          {u"--export"_s, u"list.txt"_s, u"--format"_s, u"xml"_s, u"--output"_s, u"b"_s}, u"bookmarks"_s);
    usage(
        "folder with export",
        {u"--export"_s, u"list.txt"_s, u"--format"_s, u"csv"_s, u"--output"_s, u"b"_s, u"--folder"_s, u"A"_s},
        u"--folder"_s);

    const QStringList version{u"siteloom 1.01\n"_s};
    QTest::newRow("--version") << QStringList{u"--version"_s} << 0 << version << QStringList();
    QTest::newRow("-v before a build")
        << QStringList{u"-v"_s, u"--build"_s, u"list.txt"_s} << 0 << version << QStringList();
    // The help names every form of the program and every option, in both languages.
    const QStringList help =
        u"使い方 / Usage:\n|siteloom [FILE]|siteloom --build FILE [--directory DIR]|-b, --build FILE|"
        u"-d, --directory DIR|-h, --help|-v, --version|ウィンドウを開かずに|without opening the window|"
        u"今のディレクトリ|the current directory|使い方の誤り / usage error"_s.split(u'|');
    QTest::newRow("--help") << QStringList{u"--help"_s} << 0 << help << QStringList();
    QTest::newRow("-h after a build")
        << QStringList{u"--build"_s, u"list.txt"_s, u"-h"_s} << 0 << help << QStringList();
    QTest::newRow("window without a display")
        << QStringList{u"list.txt"_s} << 1 << QStringList() << QStringList{u"siteloom: "_s, u"xvfb-run"_s};
}

void tst_commandline::answersWithoutBuilding()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, outHolds);
    QFETCH(QStringList, errHolds);
    const Run run = runProgram(arguments, m_dir->path());
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(streamHolds(run.out, outHolds), qPrintable(run.out));
    QVERIFY2(streamHolds(run.err, errHolds), qPrintable(run.err));
    QCOMPARE(filesIn(m_dir->path()), QStringList{u"list.txt"_s});
}

// Links in and out: a new list file from bookmarks or from a page of this tool, never over an
// existing one, with what is left out told on standard error; the list exported as bookmarks or
// CSV. The file written is decoded (list file: Windows-31J, exports: UTF-8) and must hold each text.
void tst_commandline::importAndExport_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("written"); // the file written; empty when none may be
    QTest::addColumn<QStringList>("holds");
    QTest::addColumn<QStringList>("errHolds");

    const QString firefox = QStringLiteral(SITELOOM_TEST_DATA "/bookmarks/firefox.html");
    const QString chromium = QStringLiteral(SITELOOM_TEST_DATA "/bookmarks/chromium.html");
    const QString whiteBall = QString::fromUtf16(defaultBannerUrl);
    QTest::newRow("bookmarks, every folder")
        << QStringList{u"--import"_s, firefox, u"--output"_s, u"new.txt"_s} << 0 << u"new.txt"_s
        << QStringList{u"list1=002\r\nls000="_s + whiteBall +
                           u"：旅の宿 &amp; 温泉 &lt;公式&gt;：https://example.jp/travel/"_s,
                       u"te006=リ　ン　ク　集\r\n"_s}
        << QStringList{u"3 件"_s, u"3番目（https://www.example.com/search?q=1&lang=ja）"_s, u"U+1F600"_s};
    QTest::newRow("bookmarks, one folder")
        << QStringList{u"--import"_s, chromium,      u"--output"_s,
                       u"new.txt"_s,  u"--folder"_s, u"Bookmarks bar/Work"_s}
        << 0 << u"new.txt"_s << QStringList{u"list1=001\r\nls000="_s + whiteBall + u"：社内 wiki："_s}
        << QStringList{u"1 件"_s};
    QTest::newRow("folder the file does not have")
        << QStringList{u"--import"_s, chromium, u"--output"_s, u"new.txt"_s, u"--folder"_s, u"Work"_s} << 1
        << QString() << QStringList() << QStringList{u"フォルダ「Work」"_s};
    QTest::newRow("page of this tool, with its options")
        << QStringList{u"--import"_s, u"page.html"_s, u"--output"_s, u"new.txt"_s} << 0 << u"new.txt"_s
        << QStringList{u"list1=001\r\nls000=b.gif：サイト<BR>日記：http://site.example/\r\nte001=page.html\r\nopt03=1"_s,
                       u"te006=友達\r\n"_s}
        << QStringList();
    QTest::newRow("never over an existing list file")
        << QStringList{u"--import"_s, firefox, u"--output"_s, u"list.txt"_s} << 1 << QString()
        << QStringList() << QStringList{u"すでにあります"_s};
    QTest::newRow("neither bookmarks nor a page")
        << QStringList{u"--import"_s, u"list.txt"_s, u"--output"_s, u"new.txt"_s} << 1 << QString()
        << QStringList() << QStringList{u"ブックマークファイルでも"_s};
    QTest::newRow("export as CSV") << QStringList{u"--export"_s, u"list.txt"_s, u"--format"_s,
                                                  u"csv"_s,      u"--output"_s, u"out.csv"_s}
                                   << 0 << u"out.csv"_s << QStringList{u"バナーURL,HP名,URL\r\na,,\r\n"_s}
                                   << QStringList();
    QTest::newRow("export as bookmarks")
        << QStringList{u"--export"_s,  u"list.txt"_s, u"--format"_s,
                       u"bookmarks"_s, u"--output"_s, u"out.html"_s}
        << 0 << u"out.html"_s
        << QStringList{u"<!DOCTYPE NETSCAPE-Bookmark-file-1>"_s, u"<DT><H3>リ　ン　ク　集</H3>"_s,
                       u"<DT><A HREF=\"\"></A>"_s}
        << QStringList();
    QTest::newRow("export of a missing list file")
        << QStringList{u"--export"_s, u"none.txt"_s, u"--format"_s, u"csv"_s, u"--output"_s, u"out.csv"_s}
        << 1 << QString() << QStringList() << QStringList{u"ファイルを読み込めませんでした。"_s};
    QTest::newRow("export into a missing directory")
        << QStringList{u"--export"_s, u"list.txt"_s, u"--format"_s, u"csv"_s, u"--output"_s, u"no/out.csv"_s}
        << 1 << QString() << QStringList() << QStringList{u"書き出せませんでした。"_s};
}

void tst_commandline::importAndExport()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, written);
    QFETCH(QStringList, holds);
    QFETCH(QStringList, errHolds);
    const QDir dir(QDir(m_dir->path()).canonicalPath());
    PageInputs page;
    page.entries = {u"b.gif：サイト<BR>日記：http://site.example/"_s};
    page.background = 3;
    page.title = u"友達"_s;
    page.fileName = u"page.html"_s;
    FileError error;
    QVERIFY(writePageFile(dir.path(), page, nullptr, &error));
    const QByteArray list = readBytes(dir.filePath(u"list.txt"_s));

    const Run run = runProgram(arguments, dir.path());
    QCOMPARE(run.exitCode, exitCode);
    for (const QString& text : errHolds)
        QVERIFY2(run.err.contains(text), qPrintable(run.err));
    QCOMPARE(run.out,
             written.isEmpty() ? QString() : QDir::toNativeSeparators(dir.filePath(written)) + u'\n');
    QCOMPARE(readBytes(dir.filePath(u"list.txt"_s)), list);
    QStringList files{u"list.txt"_s, u"page.html"_s};
    if (!written.isEmpty())
        files.append(written);
    files.sort();
    QCOMPARE(filesIn(dir.path()), files);
    const QByteArray bytes = readBytes(dir.filePath(written));
    const QString text =
        written.endsWith(u".txt"_s) ? cp932::decode(bytes).value_or(QString()) : QString::fromUtf8(bytes);
    for (const QString& piece : holds)
        QVERIFY2(text.contains(piece), qPrintable(text));
}

QTEST_MAIN(tst_commandline)
#include "tst_commandline.moc"
