#include "filebytes.h"
#include "page/linkpage.h"
#include "text/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// The inputs of the page kept as the golden file: two sites, sky blue, the owner's own site given.
PageInputs exampleInputs()
{
    PageInputs inputs;
    inputs.background = 2;
    inputs.entries = {u"banner1.gif：Site one：site1/index.html"_s,
                      u"banner2.gif：Site two<BR>diary：site2/index.html"_s};
    inputs.ownBanner = u"mybanner.gif"_s;
    inputs.ownName = u"My page"_s;
    inputs.ownUrl = u"index.html"_s;
    return inputs;
}

// The page's lines as bytes, each checked to end in CR LF.
QList<QByteArray> splitLines(const QByteArray& bytes)
{
    [&] { QVERIFY2(bytes.endsWith("\r\n"), "the last line ends in CR LF"); }();
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines) {
        [&] { QVERIFY2(line.endsWith('\r'), "every line ends in CR LF"); }();
        line.chop(1);
    }
    return lines;
}

class PageFixture
{
public:
    // Writes the page into a fresh directory and returns its bytes.
    QByteArray write(const PageInputs& inputs)
    {
        FileError error;
        if (!writePageFile(m_dir.path(), inputs, nullptr, &error)) {
            qWarning("page not written: %s", qPrintable(error.reason));
            return {};
        }
        return readBytes(m_dir.filePath(inputs.fileName));
    }
    QList<QByteArray> lines(const PageInputs& inputs) { return splitLines(write(inputs)); }

private:
    QTemporaryDir m_dir;
};

} // namespace

class tst_page : public QObject
{
    Q_OBJECT

private slots:
    void workedExampleIsWrittenByteForByte();
    void existingLongerPageIsReplacedWhole();
    void lineCount_data();
    void lineCount();
    void backgroundLine_data();
    void backgroundLine();
    void title_data();
    void title();
    void heading_data();
    void heading();
    void entryRows_data();
    void entryRows();
    void charactersOutsideTheCodePage_data();
    void charactersOutsideTheCodePage();
    void outputPath_data();
    void outputPath();
    void failedWriteLeavesEverythingAsItWas_data();
    void failedWriteLeavesEverythingAsItWas();
};

// The page of two sites written into a new file: the golden file holds its bytes.
void tst_page::workedExampleIsWrittenByteForByte()
{
    QTemporaryDir dir;
    const QString base = dir.path() + u"/web"_s;
    QVERIFY(QDir().mkdir(base));
    QString writtenPath;
    FileError error;
    const mode_t savedMask = umask(022);
    const bool ok = writePageFile(base, exampleInputs(), &writtenPath, &error);
    umask(savedMask);
    QVERIFY2(ok, qPrintable(error.reason));
    QCOMPARE(writtenPath, QDir::toNativeSeparators(base + u"/link.html"_s));
    // A new page, so rw-r--r-- under umask 022, not the temporary file's rw-------.
    QCOMPARE(QFileInfo(writtenPath).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                                       QFile::WriteUser | QFile::ReadGroup |
                                                       QFile::ReadOther);

    const QByteArray golden = readBytes(QStringLiteral(SITELOOM_TEST_DATA "/page_example.html"));
    QVERIFY(!golden.isEmpty());
    const QByteArray written = readBytes(writtenPath);
    QCOMPARE(splitLines(written).size(), 61);
    QCOMPARE(written, golden);
}

void tst_page::existingLongerPageIsReplacedWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"link.html"_s);
    QVERIFY(writeBytes(path, QByteArray(100'000, 'x')));
    FileError error;
    QVERIFY(writePageFile(dir.path(), exampleInputs(), nullptr, &error));
    QCOMPARE(readBytes(path), readBytes(QStringLiteral(SITELOOM_TEST_DATA "/page_example.html")));
}

void tst_page::lineCount_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("ownBanner");
    QTest::addColumn<QString>("ownName");
    QTest::addColumn<QString>("ownUrl");
    QTest::addColumn<int>("lines");
    QTest::newRow("start values, one entry") << 1 << u"http://"_s << QString() << u"http://"_s << 28 + 6 + 3;
    QTest::newRow("own URL empty") << 1 << u"http://"_s << QString() << QString() << 28 + 6;
    QTest::newRow("no entries") << 0 << u"b.gif"_s << QString() << QString() << 28;
    QTest::newRow("three entries and link-back")
        << 3 << u"b.gif"_s << u"Me"_s << u"me.html"_s << 28 + 18 + 3 + 3 * 6;
    QTest::newRow("link-back with both own URLs empty")
        << 2 << QString() << u"Me"_s << QString() << 28 + 18 + 2 * 6;
    QTest::newRow("own URL left at http:// keeps back link, drops link-back")
        << 1 << u"b.gif"_s << u"Me"_s << u"http://"_s << 28 + 3 + 6;
    QTest::newRow("own banner left at http:// drops link-back")
        << 1 << u"http://"_s << u"Me"_s << u"me.html"_s << 28 + 3 + 6;
    QTest::newRow("own name empty drops link-back")
        << 1 << u"b.gif"_s << QString() << u"me.html"_s << 28 + 3 + 6;
    QTest::newRow("own name a single space is a name")
        << 1 << u"b.gif"_s << u" "_s << u"me.html"_s << 28 + 3 + 18 + 6;
    QTest::newRow("start URL with a trailing space is a URL")
        << 1 << u"http:// "_s << u"Me"_s << u"http:// "_s << 28 + 3 + 18 + 6;
}

void tst_page::lineCount()
{
    QFETCH(int, entries);
    QFETCH(QString, ownBanner);
    QFETCH(QString, ownName);
    QFETCH(QString, ownUrl);
    QFETCH(int, lines);
    PageInputs inputs;
    for (int i = 0; i < entries; ++i)
        inputs.entries.append(u"b%1.gif：site %1：s%1.html"_s.arg(i));
    inputs.ownBanner = ownBanner;
    inputs.ownName = ownName;
    inputs.ownUrl = ownUrl;
    PageFixture page;
    const QList<QByteArray> written = page.lines(inputs);
    QCOMPARE(written.size(), lines);
    const bool linkBack = lines - 28 - 6 * entries >= 18;
    QCOMPARE(written.contains("<textarea rows=\"10\" cols=\"80\" name=\"soy\" wrap=\"physical\">"), linkBack);
    QCOMPARE(written.at(written.size() - 3),
             "<h5 align=\"right\"><A href=\"http://siteloom.example.jp/download.html\" target=\"_blank\">"
             "\x82\xBB\x82\xE6\x82\xA9\x83\x63\x81\x5B\x83\x8B\x8D\xEC\x90\xAC(siteloom.exe)</A></h5>");
}

void tst_page::backgroundLine_data()
{
    QTest::addColumn<int>("background");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("1 no colour") << 1 << u"back.gif"_s << QByteArray("<BODY bgcolor=\"#ffffff\">");
    QTest::newRow("2 sky blue") << 2 << QString() << QByteArray("<BODY bgcolor=\"#84FFFF\">");
    QTest::newRow("3 yellow") << 3 << QString() << QByteArray("<BODY bgcolor=\"#FFFF84\">");
    QTest::newRow("4 orange") << 4 << QString() << QByteArray("<BODY bgcolor=\"#FFC384\">");
    QTest::newRow("5 green") << 5 << QString() << QByteArray("<BODY bgcolor=\"#84FF84\">");
    QTest::newRow("6 indigo") << 6 << QString() << QByteArray("<BODY bgcolor=\"#C6C3FF\">");
    QTest::newRow("7 pink") << 7 << QString() << QByteArray("<BODY bgcolor=\"#FFC3C6\">");
    QTest::newRow("8 purple") << 8 << QString() << QByteArray("<BODY bgcolor=\"#FFC3FF\">");
    QTest::newRow("9 image") << 9 << u"img/back.gif"_s << QByteArray("<BODY background=\"img/back.gif\">");
    QTest::newRow("9 image left at http://") << 9 << u"http://"_s << QByteArray("<BODY bgcolor=\"#ffffff\">");
    QTest::newRow("9 image empty") << 9 << QString() << QByteArray("<BODY background=\"\">");
    QTest::newRow("9 image with blanks kept")
        << 9 << u" http:// "_s << QByteArray("<BODY background=\" http:// \">");
    QTest::newRow("none on") << 0 << QString() << QByteArray("<BODY bgcolor=\"#ffffff\">");
}

void tst_page::backgroundLine()
{
    QFETCH(int, background);
    QFETCH(QString, image);
    QFETCH(QByteArray, line);
    PageInputs inputs;
    inputs.background = background;
    inputs.backgroundImage = image;
    PageFixture page;
    const QList<QByteArray> lines = page.lines(inputs);
    QCOMPARE(lines.value(12), line);
    QCOMPARE(lines.value(13), " ");
}

void tst_page::title_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("written");
    const QByteArray standard("\x83\x8A\x81\x40\x83\x93\x81\x40\x83\x4E\x81\x40\x8F\x57"); // リ　ン　ク　集
    QTest::newRow("empty gets the default") << QString() << u"リ　ン　ク　集"_s << standard;
    QTest::newRow("spaces get the default") << u"   "_s << u"リ　ン　ク　集"_s << standard;
    QTest::newRow("ideographic spaces get the default") << u"　 　"_s << u"リ　ン　ク　集"_s << standard;
    QTest::newRow("spaces around a title are kept")
        << u"  My links "_s << u"  My links "_s << QByteArray("  My links ");
    QTest::newRow("a tab is not a blank") << u"\t"_s << u"\t"_s << QByteArray("\t");
    QTest::newRow("markup in the title passes")
        << u"A&B <i>x</i>"_s << u"A&B <i>x</i>"_s << QByteArray("A&B <i>x</i>");
}

void tst_page::title()
{
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(QByteArray, written);
    QCOMPARE(pageTitle(typed), title);
    PageInputs inputs;
    inputs.title = typed;
    PageFixture page;
    const QList<QByteArray> lines = page.lines(inputs);
    QCOMPARE(lines.value(2), "<TITLE>" + written + "</TITLE>");
    QCOMPARE(lines.value(16), written);
}

void tst_page::heading_data()
{
    QTest::addColumn<QString>("ownUrl");
    QTest::addColumn<QByteArrayList>("lines"); // from the line after the heading's start to <HR>
    const QByteArray title("\x83\x8A\x81\x40\x83\x93\x81\x40\x83\x4E\x81\x40\x8F\x57");
    QTest::newRow("own URL given") << u"../index.html"_s
                                   << QByteArrayList{"\x81\x40\x81\x40\x81\x40",
                                                     title,
                                                     "</FONT>",
                                                     "\x81\x40<A href=\"../index.html\" target=\"_top\">",
                                                     "\x96\xDF\x82\xE9</A>",
                                                     "</B></div><br>",
                                                     "<HR>"};
    QTest::newRow("own URL left at http://") << u"http://"_s
                                             << QByteArrayList{"\x81\x40\x81\x40\x81\x40",
                                                               title,
                                                               "</FONT>",
                                                               "\x81\x40<A href=\"http://\" target=\"_top\">",
                                                               "\x96\xDF\x82\xE9</A>",
                                                               "</B></div><br>",
                                                               "<HR>"};
    QTest::newRow("own URL empty: title alone")
        << QString() << QByteArrayList{title, "</FONT>", "</B></div><br>", "<HR>"};
}

void tst_page::heading()
{
    QFETCH(QString, ownUrl);
    QFETCH(QByteArrayList, lines);
    PageInputs inputs;
    inputs.ownUrl = ownUrl;
    PageFixture page;
    const QList<QByteArray> written = page.lines(inputs);
    QCOMPARE(written.value(14), "<div align=\"center\"><B><FONT size=\"+3\">");
    QCOMPARE(written.mid(15, lines.size()), lines);
}

void tst_page::entryRows_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QByteArray>("link");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("three fields") << u"b.gif：Site：http://s.example/"_s
                                  << QByteArray(
                                         "<A href=\"http://s.example/\" target=\"_blank\"><img src=\"b.gif\"")
                                  << QByteArray("Site");
    QTest::newRow("separator in the site URL stays in it")
        << u"b.gif：Site：u：v"_s << QByteArray("<A href=\"u\x81\x46v\" target=\"_blank\"><img src=\"b.gif\"")
        << QByteArray("Site");
    QTest::newRow("empty banner") << u"：Site：s.html"_s
                                  << QByteArray("<A href=\"s.html\" target=\"_blank\"><img src=\"\"")
                                  << QByteArray("Site");
    QTest::newRow("empty site name") << u"b.gif：：s.html"_s
                                     << QByteArray("<A href=\"s.html\" target=\"_blank\"><img src=\"b.gif\"")
                                     << QByteArray();
    QTest::newRow("markup passes unescaped")
        << u"b.gif?a=1&b=2：A & B<BR>\"C\"：s.html?x=<y>"_s
        << QByteArray("<A href=\"s.html?x=<y>\" target=\"_blank\"><img src=\"b.gif?a=1&b=2\"")
        << QByteArray("A & B<BR>\"C\"");
    QTest::newRow("blanks kept") << u" b.gif ： Site ： s.html "_s
                                 << QByteArray("<A href=\" s.html \" target=\"_blank\"><img src=\" b.gif \"")
                                 << QByteArray(" Site ");
    QTest::newRow("one separator: no site URL")
        << u"b.gif：Site"_s << QByteArray("<A href=\"\" target=\"_blank\"><img src=\"b.gif\"")
        << QByteArray("Site");
    QTest::newRow("no separator: all banner")
        << u"b.gif"_s << QByteArray("<A href=\"\" target=\"_blank\"><img src=\"b.gif\"") << QByteArray();
    QTest::newRow("empty line") << QString() << QByteArray("<A href=\"\" target=\"_blank\"><img src=\"\"")
                                << QByteArray();
}

void tst_page::entryRows()
{
    QFETCH(QString, entry);
    QFETCH(QByteArray, link);
    QFETCH(QByteArray, name);
    PageInputs inputs;
    inputs.entries = {entry};
    PageFixture page;
    const QList<QByteArray> lines = page.lines(inputs);
    QCOMPARE(lines.size(), 28 + 3 + 6);
    const QByteArrayList rows{"<tr>",
                              "<td nowrap align=\"left\">" + link + " border=\"0\"></A></td>",
                              "<td>\x81\x40</td>",
                              "<td nowrap align=\"left\"><B>" + name + "</B></td>",
                              "</tr>",
                              "<tr><td>\x81\x40</td><td>\x81\x40</td></tr>"};
    QCOMPARE(lines.mid(25, 6), rows);
    QCOMPARE(lines.value(24), "<table border=\"0\">");
    QCOMPARE(lines.value(31), "</TABLE>");
}

void tst_page::charactersOutsideTheCodePage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("emoji after kana") << u"カナ😀"_s << QByteArray("\x83\x4A\x83\x69&#128512;");
    QTest::newRow("accented letter between kanji") << u"漢é字"_s << QByteArray("\x8A\xBF&#233;\x8E\x9A");
    QTest::newRow("rare kanji beyond the BMP next to half-width katakana")
        << u"ｶ𠮷ﾅ"_s << QByteArray("\xB6&#134071;\xC5");
    QTest::newRow("hangul") << u"한글"_s << QByteArray("&#54620;&#44544;");
    QTest::newRow("NEC special characters held") << u"①Ⅰ№"_s << QByteArray("\x87\x40\x87\x54\x87\x82");
    QTest::newRow("IBM extension kanji held") << u"髙ⅰ"_s << QByteArray("\xFB\xFC\xFA\x40");
    QTest::newRow("wave dash and its full-width form") << u"〜～"_s << QByteArray("\x81\x60\x81\x60");
    QTest::newRow("JIS-style signs as on Windows")
        << u"‖−¢£¬"_s << QByteArray("\x81\x61\x81\x7C\x81\x91\x81\x92\x81\xCA");
    QTest::newRow("backslash and tilde stay ASCII") << u"\\~"_s << QByteArray("\\~");
    QTest::newRow("an existing reference is not touched") << u"&#233;"_s << QByteArray("&#233;");
}

void tst_page::charactersOutsideTheCodePage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    PageInputs inputs;
    inputs.entries = {u"b.gif："_s + name + u"：s.html"_s};
    inputs.title = name;
    PageFixture page;
    const QList<QByteArray> lines = page.lines(inputs);
    QCOMPARE(lines.value(2), "<TITLE>" + bytes + "</TITLE>");
    QCOMPARE(lines.value(28), "<td nowrap align=\"left\"><B>" + bytes + "</B></td>");
}

void tst_page::outputPath_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("path");
    QTest::newRow("directory") << u"/web"_s << u"link.html"_s << u"/web/link.html"_s;
    QTest::newRow("directory ending in a slash") << u"/web/"_s << u"link.html"_s << u"/web/link.html"_s;
    QTest::newRow("root") << u"/"_s << u"link.html"_s << u"/link.html"_s;
    QTest::newRow("empty base directory") << QString() << u"link.html"_s << u"/link.html"_s;
    QTest::newRow("file name trimmed") << u"/web"_s << u"  page.html  "_s << u"/web/page.html"_s;
    QTest::newRow("ideographic spaces trimmed") << u"/web"_s << u"　page.html　"_s << u"/web/page.html"_s;
    QTest::newRow("inner spaces kept") << u"/web"_s << u" my page.html"_s << u"/web/my page.html"_s;
    QTest::newRow("base directory untrimmed") << u"/web "_s << u"a.html"_s << u"/web /a.html"_s;
    QTest::newRow("backslash is a plain character") << u"/web\\"_s << u"a.html"_s << u"/web\\/a.html"_s;
}

void tst_page::outputPath()
{
    QFETCH(QString, base);
    QFETCH(QString, fileName);
    QFETCH(QString, path);
    QCOMPARE(pageFilePath(base, fileName), path);
}

void tst_page::failedWriteLeavesEverythingAsItWas_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("base");     // relative to the test directory
    QTest::addColumn<QString>("fileName"); // as typed
    QTest::newRow("directory where the page should be") << u"directory"_s << u"web"_s << u"link.html"_s;
    QTest::newRow("base directory is a regular file") << u"file"_s << u"web/notes.txt"_s << u"link.html"_s;
    QTest::newRow("base directory missing") << QString() << u"gone"_s << u"link.html"_s;
    QTest::newRow("file name only blanks") << QString() << u"web"_s << u"  "_s;
    QTest::newRow("file name too long") << QString() << u"web"_s << QString(300, u'a');
}

void tst_page::failedWriteLeavesEverythingAsItWas()
{
    QFETCH(QString, setup);
    QFETCH(QString, base);
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    const QString web = dir.filePath(u"web"_s);
    QVERIFY(QDir().mkdir(web));
    if (setup == u"directory") {
        QVERIFY(QDir().mkdir(web + u"/link.html"_s));
        QVERIFY(writeBytes(web + u"/link.html/inside.txt"_s, "kept"));
    } else if (setup == u"file") {
        QVERIFY(writeBytes(web + u"/notes.txt"_s, "kept"));
    }
    const QStringList before = QDir(web).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    PageInputs inputs = exampleInputs();
    inputs.fileName = fileName;
    QString writtenPath;
    FileError error;
    QVERIFY(!writePageFile(dir.filePath(base), inputs, &writtenPath, &error));
    QCOMPARE(writtenPath, QDir::toNativeSeparators(pageFilePath(dir.filePath(base), fileName)));
    QCOMPARE(error.path, writtenPath);
    QVERIFY(!error.reason.isEmpty());

    QCOMPARE(QDir(web).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"web"_s});
    if (setup == u"directory")
        QCOMPARE(readBytes(web + u"/link.html/inside.txt"_s), "kept");
    if (setup == u"file")
        QCOMPARE(readBytes(web + u"/notes.txt"_s), "kept");
}

QTEST_GUILESS_MAIN(tst_page)
#include "tst_page.moc"
