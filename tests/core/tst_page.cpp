#include "filebytes.h"
#include "listfile/listfile.h"
#include "page/linkpage.h"
#include "page/pagefromlist.h"
#include "text/textfile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// The default title "リ　ン　ク　集" in the code page.
const QByteArray defaultTitle("\x83\x8A\x81\x40\x83\x93\x81\x40\x83\x4E\x81\x40\x8F\x57");

// Writes the page into a fresh directory and returns its lines, without their CR LF ends.
QByteArrayList pageLines(const PageInputs& inputs)
{
    QTemporaryDir dir;
    FileError error;
    [&] { QVERIFY2(writePageFile(dir.path(), inputs, nullptr, &error), qPrintable(error.reason)); }();
    return readBytes(dir.filePath(inputs.fileName)).replace("\r\n", "\n").chopped(1).split('\n');
}

// A list file of random lines: mostly in the form this tool writes, with now and then what the
// full reading alone takes (LF or CR alone, a count that is short or wrong, a second count line, a
// character the code page holds twice, ICU's swapped controls) or refuses (invalid bytes, NUL).
QByteArray randomListFile(QRandomGenerator& random)
{
    const auto chance = [&random](int percent) { return int(random.bounded(100)) < percent; };
    static const QByteArrayList pieces{
        "http://www.example.jp/~user/",
        "banner.gif",
        "\x82\xA0\x82\xA2",
        "\xB1\xB2",
        "<BR>",
        " ",
        "\x81\x46",
        "\x81\x46",
        "\t",
    };
    static const QByteArrayList odd{
        "\x87\x90", "\xED\x40", "\x1A", "\x81\x20", "\xFF", QByteArray(1, '\0'), "\r", "\n", "\x82",
    };
    const auto lineEnd = [&] {
        return chance(3) ? QByteArray(chance(50) ? "\n" : "\r") : QByteArray("\r\n");
    };
    const int count = 1 + int(random.bounded(6));
    QByteArray file = "list1=" + QByteArray::number(count + (chance(5) ? 1 : 0)) + lineEnd();
    for (int i = 0; i < count; ++i) {
        QByteArray value;
        for (int k = int(random.bounded(6)); k > 0; --k)
            value += pieces[random.bounded(pieces.size())];
        if (chance(8))
            value.insert(random.bounded(value.size() + 1), odd[random.bounded(odd.size())]);
        if (chance(2))
            value += QByteArray(200 * 1024, 'x'); // longer than the reader's buffer
        file += (chance(3) ? "ls9" : "ls") + QByteArray::number(i).rightJustified(3, '0') +
                (chance(3) ? ":" : "=") + value + lineEnd();
    }
    file += "te001=page.html\r\nopt0" + QByteArray::number(random.bounded(1, 10)) + "=1\r\n";
    file += "te006=\x83\x5E\x83\x43\x83\x67\x83\x8B\r\nte009=http://own.example/" + lineEnd();
    if (chance(3))
        file += "list1=1\r\nls000=a\x81\x46"
                "b\x81\x46"
                "c\r\n";
    return file;
}

} // namespace

class tst_page : public QObject
{
    Q_OBJECT

private slots:
    // The page of two sites, sky blue, the owner's own site given: the golden file holds its 61 lines
    // byte for byte.
    void workedExampleIsWrittenByteForByte()
    {
        const PageInputs inputs{.entries = {u"banner1.gif：Site one：site1/index.html"_s,
                                            u"banner2.gif：Site two<BR>diary：site2/index.html"_s},
                                .background = 2,
                                .ownBanner = u"mybanner.gif"_s,
                                .ownName = u"My page"_s,
                                .ownUrl = u"index.html"_s};
        QTemporaryDir dir;
        FileError error;
        QVERIFY2(writePageFile(dir.path(), inputs, nullptr, &error), qPrintable(error.reason));
        const QByteArray golden = readBytes(QStringLiteral(SITELOOM_TEST_DATA "/page_example.html"));
        QCOMPARE(golden.count("\r\n"), 61);
        QCOMPARE(readBytes(dir.filePath(u"link.html"_s)), golden);
    }

    // Which own-site fields bring the heading's back link and the link-back section: a page of one
    // entry has 34 lines, 3 more for the back link and 18 more for the link-back section.
    void sections_data()
    {
        QTest::addColumn<QString>("ownBanner");
        QTest::addColumn<QString>("ownName");
        QTest::addColumn<QString>("ownUrl");
        QTest::addColumn<bool>("backLink");
        QTest::addColumn<bool>("linkBack");
        QTest::newRow("start values") << u"http://"_s << QString() << u"http://"_s << true << false;
        QTest::newRow("own URL empty") << u"http://"_s << QString() << QString() << false << false;
        QTest::newRow("all given") << u"b.gif"_s << u"Me"_s << u"me.html"_s << true << true;
        QTest::newRow("link-back with both own URLs empty")
            << QString() << u"Me"_s << QString() << false << true;
        QTest::newRow("own URL left at http://") << u"b.gif"_s << u"Me"_s << u"http://"_s << true << false;
        QTest::newRow("own banner left at http://")
            << u"http://"_s << u"Me"_s << u"me.html"_s << true << false;
        QTest::newRow("own name empty") << u"b.gif"_s << QString() << u"me.html"_s << true << false;
        QTest::newRow("own name a single space") << u"b.gif"_s << u" "_s << u"me.html"_s << true << true;
        QTest::newRow("start URL with a trailing space")
            << u"http:// "_s << u"Me"_s << u"http:// "_s << true << true;
    }

    void sections()
    {
        QFETCH(QString, ownBanner);
        QFETCH(QString, ownName);
        QFETCH(QString, ownUrl);
        QFETCH(bool, backLink);
        QFETCH(bool, linkBack);
        const QByteArrayList lines = pageLines({.entries = {u"b.gif：site：s.html"_s},
                                                .ownBanner = ownBanner,
                                                .ownName = ownName,
                                                .ownUrl = ownUrl});
        QCOMPARE(lines.size(), 34 + (backLink ? 3 : 0) + (linkBack ? 18 : 0));
        // The heading: the title alone, or indented and followed by the back link.
        QCOMPARE(lines.value(15), backLink ? QByteArray("\x81\x40\x81\x40\x81\x40") : defaultTitle);
        if (backLink)
            QCOMPARE(lines.value(18), "\x81\x40<A href=\"" + ownUrl.toLatin1() + "\" target=\"_top\">");
        QCOMPARE(lines.contains("<textarea rows=\"10\" cols=\"80\" name=\"soy\" wrap=\"physical\">"),
                 linkBack);
    }

    void backgroundLine_data()
    {
        QTest::addColumn<int>("background");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QByteArray>("line");
        const char* const colours[] = {"ffffff", "84FFFF", "FFFF84", "FFC384",
                                       "84FF84", "C6C3FF", "FFC3C6", "FFC3FF"};
        for (int button = 1; button <= 8; ++button) {
            QTest::addRow("%d colour %s", button, colours[button - 1])
                << button << u"back.gif"_s << "<BODY bgcolor=\"#" + QByteArray(colours[button - 1]) + "\">";
        }
        QTest::newRow("9 image") << 9 << u"img/back.gif"_s
                                 << QByteArray("<BODY background=\"img/back.gif\">");
        QTest::newRow("9 image left at http://")
            << 9 << u"http://"_s << QByteArray("<BODY bgcolor=\"#ffffff\">");
        QTest::newRow("9 image empty") << 9 << QString() << QByteArray("<BODY background=\"\">");
        QTest::newRow("9 image with blanks kept")
            << 9 << u" http:// "_s << QByteArray("<BODY background=\" http:// \">");
        QTest::newRow("none on") << 0 << QString() << QByteArray("<BODY bgcolor=\"#ffffff\">");
    }

    void backgroundLine()
    {
        QFETCH(int, background);
        QFETCH(QString, image);
        QFETCH(QByteArray, line);
        PageInputs inputs;
        inputs.background = background;
        inputs.backgroundImage = image;
        QCOMPARE(pageLines(inputs).value(12), line);
    }

    // The title line and the heading carry the same title, written as it is or, when blank, the default.
    void title_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("empty gets the default") << QString() << defaultTitle;
        QTest::newRow("ideographic and ASCII spaces get the default") << u"　 　"_s << defaultTitle;
        QTest::newRow("spaces around a title are kept") << u"  My links "_s << QByteArray("  My links ");
        QTest::newRow("a tab is not a blank") << u"\t"_s << QByteArray("\t");
        QTest::newRow("markup passes") << u"A&B <i>x</i>"_s << QByteArray("A&B <i>x</i>");
        QTest::newRow("emoji and look-alikes")
            << u"カナ😀〜−"_s << QByteArray("\x83\x4A\x83\x69&#128512;\x81\x60\x81\x7C");
    }

    void title()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, written);
        PageInputs inputs;
        inputs.title = typed;
        const QByteArrayList lines = pageLines(inputs);
        QCOMPARE(lines.value(2), "<TITLE>" + written + "</TITLE>");
        QCOMPARE(lines.value(16), written);
    }

    // An entry's cells. The split is pinned by tst_linkentry and the rows around the cells by the golden
    // file; these show that the fields are written as they stand.
    void entryRows_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("siteUrl");
        QTest::addColumn<QByteArray>("banner");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("markup passes unescaped")
            << u"b.gif?a=1&b=2：A & B<BR>\"C\"：s.html?x=<y>"_s << QByteArray("s.html?x=<y>")
            << QByteArray("b.gif?a=1&b=2") << QByteArray("A & B<BR>\"C\"");
        QTest::newRow("blanks kept") << u" b.gif ： Site ： s.html "_s << QByteArray(" s.html ")
                                     << QByteArray(" b.gif ") << QByteArray(" Site ");
        QTest::newRow("no separator: all banner, empty name and URL")
            << u"b.gif"_s << QByteArray() << QByteArray("b.gif") << QByteArray();
        QTest::newRow("characters outside the code page")
            << u"ｶ𠮷ﾅ：漢é字：s：t"_s << QByteArray("s\x81\x46t") << QByteArray("\xB6&#134071;\xC5")
            << QByteArray("\x8A\xBF&#233;\x8E\x9A");
    }

    void entryRows()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, siteUrl);
        QFETCH(QByteArray, banner);
        QFETCH(QByteArray, name);
        PageInputs inputs;
        inputs.entries = {entry};
        const QByteArrayList lines = pageLines(inputs);
        QCOMPARE(lines.size(), 37);
        QCOMPARE(lines.value(26), "<td nowrap align=\"left\"><A href=\"" + siteUrl +
                                      "\" target=\"_blank\"><img src=\"" + banner +
                                      "\" border=\"0\"></A></td>");
        QCOMPARE(lines.value(28), "<td nowrap align=\"left\"><B>" + name + "</B></td>");
    }

    // A list read as its bytes gives the page the full reading gives, byte for byte, or is left to
    // the full reading with nothing written, which takes most of these lists whole and some with a
    // message or not at all.
    void pageFromListBytesIsThePage()
    {
        QTemporaryDir dir;
        const QString list = dir.filePath(u"list.txt"_s);
        QVERIFY(QDir(dir.path()).mkpath(u"text"_s) && QDir(dir.path()).mkpath(u"bytes"_s));
        // Whether the list made its page from its bytes; when it did, the page is the full reading's.
        const auto fromBytes = [&](const QByteArray& file) {
            if (!writeBytes(list, file))
                return false;
            ListFileBytes bytes;
            FileError writeError;
            bool gaveUp = false;
            if (!bytes.read(list) ||
                !bytes.writePage(dir.filePath(u"bytes"_s), nullptr, &writeError, &gaveUp)) {
                [&] {
                    QVERIFY(gaveUp || !bytes.entryCount());
                    QVERIFY(!QFile::exists(dir.filePath(u"bytes/page.html"_s)));
                }();
                return false;
            }
            ListFileContent content;
            ListFileReadError error;
            PageInputs inputs;
            [&] {
                QVERIFY2(readListFile(list, &content, &error) && !content.shortBlock, file.constData());
                applyListFile(content, &inputs);
                QCOMPARE(bytes.entryCount(), inputs.entries.size());
                PageInputs options = inputs;
                options.entries.clear();
                QCOMPARE(bytes.options(), options);
                QVERIFY(writePageFile(dir.filePath(u"text"_s), inputs, nullptr, &writeError));
                QCOMPARE(readBytes(dir.filePath(u"bytes/page.html"_s)),
                         readBytes(dir.filePath(u"text/page.html"_s)));
                QVERIFY(QFile::remove(dir.filePath(u"bytes/page.html"_s)));
            }();
            return true;
        };
        QRandomGenerator random(28);
        int madeFromBytes = 0;
        for (int round = 0; round < 400 && !QTest::currentTestFailed(); ++round)
            madeFromBytes += fromBytes(randomListFile(random));
        QVERIFY(madeFromBytes > 200);

        // Keys from 1000 on take a fourth digit.
        QByteArray file = "list1=1001\r\n";
        for (int i = 0; i < 1001; ++i)
            file += "ls" + QByteArray::number(i).rightJustified(3, '0') + "=a\x81\x46" + "b\r\n";
        QVERIFY(fromBytes(file + "te001=page.html\r\n"));
    }

    // A list written over in place between its reading and its page is left to the full reading:
    // nothing is written from what was read.
    void pageFromListBytesGivesUpOnAChangedList()
    {
        QTemporaryDir dir;
        const QString list = dir.filePath(u"list.txt"_s);
        QVERIFY(writeBytes(list, "list1=1\r\nls000=a\x81\x46"
                                 "b\x81\x46"
                                 "c\r\nte001=page.html\r\n"));
        ListFileBytes bytes;
        QVERIFY(bytes.read(list));
        QFile file(list);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(10) && file.write("ls000=x") == 7);
        file.close();
        FileError error;
        bool gaveUp = false;
        QVERIFY(!bytes.writePage(dir.path(), nullptr, &error, &gaveUp));
        QVERIFY(gaveUp);
        QCOMPARE(filesIn(dir.path()), QStringList{u"list.txt"_s});
    }

    void outputPath_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("path");
        QTest::newRow("directory") << u"/web"_s << u"link.html"_s << u"/web/link.html"_s;
        QTest::newRow("root") << u"/"_s << u"link.html"_s << u"/link.html"_s;
        QTest::newRow("empty base directory") << QString() << u"link.html"_s << u"/link.html"_s;
        QTest::newRow("file name trimmed of both blanks")
            << u"/web"_s << u" 　my page.html　 "_s << u"/web/my page.html"_s;
        QTest::newRow("base directory untrimmed") << u"/web "_s << u"a.html"_s << u"/web /a.html"_s;
        QTest::newRow("backslash is a plain character") << u"/web\\"_s << u"a.html"_s << u"/web\\/a.html"_s;
    }

    void outputPath()
    {
        QFETCH(QString, base);
        QFETCH(QString, fileName);
        QFETCH(QString, path);
        QCOMPARE(pageFilePath(base, fileName), path);
    }

    // The writer's own failures are pinned by tst_textfile, a missing base directory and a directory
    // where the page should be by tst_faults through the window. A file name of blanks alone names the
    // base directory itself: the page reports that path and leaves what stood there.
    void blankFileNameWritesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath(u"inside.txt"_s), "kept"));
        PageInputs inputs;
        inputs.fileName = u" 　"_s;
        QString writtenPath;
        FileError error;
        QVERIFY(!writePageFile(dir.path(), inputs, &writtenPath, &error));
        QCOMPARE(writtenPath, dir.path() + u"/"_s); // the base directory itself
        QCOMPARE(error.path, writtenPath);
        QVERIFY(!error.reason.isEmpty());
        QCOMPARE(filesIn(dir.path()), QStringList{u"inside.txt"_s});
        QCOMPARE(readBytes(dir.filePath(u"inside.txt"_s)), "kept");
    }
};

QTEST_GUILESS_MAIN(tst_page)
#include "tst_page.moc"
