#include "filebytes.h"
#include "html/htmldocument.h"
#include "html/htmltokenizer.h"
#include "importing/bookmarks.h"
#include "importing/exporting.h"
#include "importing/holdback.h"
#include "importing/importsource.h"
#include "importing/pastedmarkup.h"
#include "linkentry/linkentry.h"
#include "messages/transfermessages.h"
#include "page/linkpage.h"
#include "text/cp932.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// The entries as "name | site URL" lines (the banner when it is not the default: "banner | ..."),
// which a table row can spell out.
QString described(const QList<LinkEntry>& entries)
{
    QStringList lines;
    for (const LinkEntry& e : entries) {
        const QString banner =
            e.bannerUrl == QStringView(defaultBannerUrl) ? QString() : e.bannerUrl + u" | "_s;
        lines.append(banner + e.siteName + u" | "_s + e.siteUrl);
    }
    return lines.join(u'\n');
}

// Random text from pieces that are hard on a page reader: separators, markup, quotes, references,
// characters outside Windows-31J, the start text of the URL fields, blanks. Never a line break: no
// field of the window or line of a list file holds one.
QString randomText(QRandomGenerator& random)
{
    static const QStringList pieces =
        u"a|サイト|：|<BR>|<b>|\"|&#38;|&amp;|😀|é|〜|http://| "
        u"|　|　　　|\">|</B></td>|<tr>|</TABLE>|x.gif|=1|"
        u"\" target=\"_blank\"><img src=\"|<CENTER><FONT size=\"+2\">"_s.split(u'|');
    QString text;
    for (int n = int(random.bounded(6)); n > 0; --n)
        text += pieces[random.bounded(int(pieces.size()))];
    return text;
}

PageInputs randomList(QRandomGenerator& random, qsizetype entries)
{
    PageInputs inputs;
    const auto field = [&](const QString& startValue) {
        const int pick = int(random.bounded(4));
        return pick == 0 ? startValue : pick == 1 ? QString() : randomText(random);
    };
    for (qsizetype i = 0; i < entries; ++i)
        inputs.entries.append(randomText(random) + (random.bounded(2) ? randomText(random) : QString()));
    inputs.background = int(random.bounded(backgroundChoices + 1));
    inputs.backgroundImage = field(u"http://"_s);
    inputs.title = field(QString::fromUtf16(defaultPageTitle));
    inputs.ownBanner = field(u"http://"_s);
    inputs.ownName = field(QString());
    inputs.ownUrl = field(u"http://"_s);
    if (random.bounded(3) == 0) { // the link-back section for certain
        inputs.ownBanner = u"me.gif"_s + randomText(random);
        inputs.ownName = u"Me"_s + randomText(random);
    }
    return inputs;
}

// Bookmarks as the whole parsed tree gives them: the reader the tokenizer replaced, kept to hold the
// new one to the same answers. A list is a folder when a heading names it, in the "<DT>" it
// stands in or as the element right before it (before the description it opens, if it opens one).
LinkImport bookmarksFromTree(QStringView html)
{
    const HtmlDocument document(html);
    const QList<HtmlDocument::Node>& nodes = document.nodes();
    const auto child = [&](int node, QStringView tag) {
        for (int i = node + 1; i < nodes[node].end; i = nodes[i].end) {
            if (nodes[i].tag == tag)
                return i;
        }
        return -1;
    };
    const auto folderName = [&](int list) {
        int heading = -1;
        if (const int parent = nodes[list].parent; parent >= 0 && nodes[parent].tag == u"dt")
            heading = child(parent, u"h3");
        const auto before = [&](int node) {
            int previous = -1;
            for (int i = nodes[node].parent + 1; i < node; i = nodes[i].end)
                previous = nodes[i].tag.isEmpty() ? previous : i;
            return previous;
        };
        if (heading < 0 && nodes[list].parent >= 0) {
            int previous = before(list);
            if (const int parent = nodes[list].parent; previous < 0 && nodes[parent].tag == u"dd")
                previous = nodes[parent].parent >= 0 ? before(parent) : -1;
            if (previous >= 0 && nodes[previous].tag == u"dt")
                heading = child(previous, u"h3");
            else if (previous >= 0 && nodes[previous].tag == u"h3")
                heading = previous;
        }
        return heading < 0 ? QString() : oneLine(document.text(heading)).replace(u'/', u'∕');
    };
    const auto path = [&](int from) {
        QStringList names;
        for (int i = from; i >= 0; i = nodes[i].parent) {
            if (const QString name = nodes[i].tag == u"dl" ? folderName(i) : QString(); !name.isNull())
                names.prepend(name);
        }
        return names.join(u'/');
    };
    LinkImport import = documentLinks(document, [&](int anchor, ImportedLink& link) {
        link.entry.bannerUrl = QString::fromUtf16(defaultBannerUrl);
        link.entry.siteName = nameFromPlainText(document.text(anchor));
        link.folder = path(nodes[anchor].parent);
    });
    for (const int list : document.elements(u"dl")) {
        if (const QString folder = path(list); !folderName(list).isNull() && !import.folders.contains(folder))
            import.folders.append(folder);
    }
    return import;
}

// What a reading gives, one line per link and one per folder.
QString described(const LinkImport& import)
{
    QStringList lines;
    for (const ImportedLink& link : import.links)
        lines.append(QStringList{link.skipped ? u"skipped"_s : QString(), link.url, link.folder,
                                 link.entry.bannerUrl, link.entry.siteName, link.entry.siteUrl}
                         .join(u" | "_s));
    return (lines + import.folders).join(u'\n');
}

// The bookmarks reader handed the text in pieces of `size` units, as an import reads a file.
LinkImport readInPieces(const QString& html, qsizetype size)
{
    qsizetype at = 0;
    return readBookmarks(html.size(), [&](QString& text) {
        text += QStringView(html).sliced(at, std::min(size, html.size() - at));
        at = std::min(at + size, html.size());
        return at < html.size();
    });
}

// A bookmarks file as browsers write it, folders nested in folders, with the other ways files
// spell a folder: its item closed before its list, a heading without an item, a description
// between the heading and the list, and names and addresses that are hard on a reader.
QString randomBookmarks(QRandomGenerator& random)
{
    static const QStringList words = u"旅|a b|&amp;|&lt;x&gt;|&#x1F600;|/|<b>太</b>|&quot;|\n  |&nbsp;|"
                                     u"&notit;|&#150;| |x&amp=1|&#27;"_s.split(u'|');
    static const QStringList schemes = {u"http://"_s, u"https://"_s, u"javascript:"_s, u"place:"_s};
    const auto text = [&] {
        QString t;
        for (int n = int(random.bounded(4)); n > 0; --n)
            t += words[random.bounded(int(words.size()))];
        return t;
    };
    QString html = u"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
                   u"CONTENT=\"text/html; charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n"_s;
    std::function<void(int)> list = [&](int depth) {
        html += u"<DL><p>\n"_s;
        for (int n = int(random.bounded(6)); n > 0; --n) {
            const int pick = int(random.bounded(depth < 4 ? 9 : 5));
            if (pick < 4) {
                html += u"<DT><A HREF=\"%1site.example/%2\" ADD_DATE=\"1\">%3</A>\n"_s.arg(
                    schemes[random.bounded(int(schemes.size()))], text(), text());
                if (pick == 0)
                    html += u"<DD>"_s + text() + u'\n';
            } else if (pick == 4) {
                html += random.bounded(2) ? u"<HR>\n"_s : u"<script>x</script>\n"_s;
            } else {
                const QString heading = u"<H3 ADD_DATE=\"1\">"_s + text() + u"</H3>"_s;
                html += pick == 5   ? u"<DT>"_s + heading + u'\n'
                        : pick == 6 ? u"<DT>"_s + heading + u"</DT>\n"_s
                        : pick == 7 ? heading
                                    : u"<DT>"_s + heading + u"\n<DD>"_s + text() + u'\n';
                list(depth + 1);
            }
        }
        html += u"</DL><p>\n"_s;
    };
    list(0);
    return html;
}

// Lowers the address space the process may take to what it holds now and `room` bytes more (if
// any), as `prlimit --as` does, until the end of the scope.
class AddressSpaceLimit
{
public:
    explicit AddressSpaceLimit(qint64 room)
    {
        ::getrlimit(RLIMIT_AS, &m_before);
        if (room <= 0)
            return;
        QFile statm(u"/proc/self/statm"_s);
        const qint64 pages =
            statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ').value(0).toLongLong() : 0;
        const rlimit lowered{rlim_t(pages * ::sysconf(_SC_PAGESIZE) + room), m_before.rlim_max};
        m_set = pages > 0 && ::setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &m_before); }
    bool isSet() const { return m_set; }

private:
    rlimit m_before{};
    bool m_set = false;
};

QByteArray writtenPage(const QString& directory, const PageInputs& inputs)
{
    FileError error;
    if (!writePageFile(directory, inputs, nullptr, &error))
        qFatal("page not written: %s", qPrintable(error.reason));
    return readBytes(directory + u'/' + inputs.fileName);
}

// The rows of a CSV file as RFC 4180 reads them.
QList<QStringList> readCsv(const QString& text)
{
    QList<QStringList> rows{{QString()}};
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                rows.back().back() += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                rows.back().back() += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            rows.back().append(QString());
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++i;
            rows.append({QString()});
        } else {
            rows.back().back() += c;
        }
    }
    rows.removeLast(); // after the last line end
    return rows;
}

} // namespace

class tst_importing : public QObject
{
    Q_OBJECT

private slots:
    // Any list the tool writes a page from comes back from that page as a list that writes the very
    // same page: every background, short entries, markup, references, with and without the
    // link-back section, and lists longer than 999 entries.
    void pageComesBackAsTheListItWasWrittenFrom()
    {
        QRandomGenerator random(20261207);
        QTemporaryDir dir;
        for (int round = 0; round < 200; ++round) {
            const PageInputs list = randomList(random, round % 100 == 0 ? 1000 + round : random.bounded(8));
            const QByteArray page = writtenPage(dir.path(), list);
            ImportSource source;
            ImportSourceError error;
            QVERIFY2(readImportSource(dir.filePath(list.fileName), &source, &error),
                     qPrintable(u"round %1: not read back (%2)"_s.arg(round).arg(int(error.problem))));
            QCOMPARE(source.kind, ImportSource::Page);
            QCOMPARE(source.page.fileName, list.fileName);
            QCOMPARE(source.links.links.size(), list.entries.size());
            source.page.fileName = u"again.html"_s;
            const QByteArray again = writtenPage(dir.path(), source.page);
            if (again != page)
                QFAIL(qPrintable(u"round %1: the page read back writes another page"_s.arg(round)));
        }
    }

    // Bookmarks files as browsers write them: folders nested in folders, descriptions ("<DD>")
    // after folders and after links, references, icons as data addresses, and links that are not
    // web addresses, which are skipped and counted.
    void bookmarksFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<int>("skipped");
        const auto row = [](const char* name, const QString& folder, const QString& entries, int skipped) {
            QTest::newRow(name) << u"%1.html"_s.arg(QString::fromLatin1(name).section(u',', 0, 0)) << folder
                                << entries << skipped;
        };
        const QString travel = u"旅の宿 &amp; 温泉 &lt;公式&gt; | https://example.jp/travel/"_s;
        const QString hokkaido = u"北の国から | http://hokkaido.example.jp/"_s;
        const QString news = u"News \"today\" | https://news.example.org/"_s;
        const QString wiki = u"社内 wiki | https://intra.example.org/wiki"_s;
        row("firefox, all", {},
            QStringList{travel, hokkaido, u"Example 😀 search | https://www.example.com/search?q=1&lang=ja"_s}
                .join(u'\n'),
            3);
        row("firefox, a folder and the one inside it", u"旅行"_s, travel + u'\n' + hokkaido, 0);
        row("firefox, the inner folder", u"旅行/北海道"_s, hokkaido, 0);
        row("firefox, the toolbar folder after its description", u"Bookmarks Toolbar"_s,
            u"Example 😀 search | https://www.example.com/search?q=1&lang=ja"_s, 1);
        row("chromium, all", {},
            QStringList{news, wiki, u"HTTP://Old.Example.NET:80 | HTTP://Old.Example.NET:80"_s}.join(u'\n'),
            1);
        row("chromium, toolbar folder", u"Bookmarks bar"_s, news + u'\n' + wiki, 1);
        row("chromium, a folder that is not there", u"Work"_s, QString(), 0);
    }

    void bookmarksFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, folder);
        QFETCH(QString, entries);
        QFETCH(int, skipped);
        const QStringList folders =
            file.startsWith(u"firefox"_s)
                ? QStringList{u"旅行"_s, u"旅行/北海道"_s, u"Bookmarks Toolbar"_s}
                : QStringList{u"Bookmarks bar"_s, u"Bookmarks bar/Work"_s, u"Other bookmarks"_s};
        ImportSource source;
        ImportSourceError error;
        QVERIFY(readImportSource(QStringLiteral(SITELOOM_TEST_DATA "/bookmarks/") + file, &source, &error));
        QCOMPARE(source.kind, ImportSource::Bookmarks);
        QCOMPARE(source.links.folders, folders);
        int skippedHere = -1;
        QCOMPARE(described(importedEntries(source.links, folder, &skippedHere)), entries);
        QCOMPARE(skippedHere, skipped);
    }

    // The bookmarks reader gives what a reading of the whole parsed tree gives, on the browsers'
    // files and on generated files with every way of spelling a folder.
    void bookmarksReadAsTheTreeReadsThem_data()
    {
        QTest::addColumn<QString>("html");
        for (const QString& file : {u"firefox"_s, u"chromium"_s})
            QTest::newRow(qPrintable(file)) << QString::fromUtf8(
                readBytes(QStringLiteral(SITELOOM_TEST_DATA "/bookmarks/") + file + u".html"_s));
        QRandomGenerator random(20261207);
        for (int i = 0; i < 200; ++i)
            QTest::addRow("generated %d", i) << randomBookmarks(random);
    }

    void bookmarksReadAsTheTreeReadsThem()
    {
        QFETCH(QString, html);
        const QString whole = described(readBookmarks(html));
        QCOMPARE(whole, described(bookmarksFromTree(html)));
        // In pieces, as a file is read: the same, even from pieces shorter than a tag.
        for (const qsizetype piece : {1, 17, 4096})
            QCOMPARE(described(readInPieces(html, piece)), whole);
    }

    // Files that are not to be imported, each refused with its reason: a page changed after it was
    // written is told from one that is not ours at all; what is no file to read, or takes more
    // memory than there is, is refused at once, and nothing waits, reads without end or crashes.
    // The memory rows lower the address space as `prlimit --as` does, to a few times the size of a
    // file of 200,000 bookmarks (15 MB): the import fits in eight times its size.
    void refusedSources_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("special"); // what takes the file's place
        QTest::addColumn<int>("room");        // the address space left, in times the file's size
        QTest::addColumn<int>("problem");     // -1: read
        QTest::addColumn<QString>("reason");
        const auto row = [](const char* name, const QByteArray& bytes, const QString& special, int room,
                            int problem, const QString& reason = QString()) {
            QTest::newRow(name) << bytes << special << room << problem << reason;
        };
        PageInputs list;
        list.entries = {u"b.gif：Site：http://site.example/"_s};
        QTemporaryDir dir;
        const QByteArray page = writtenPage(dir.path(), list);
        const int file = ImportSourceError::File;
        row("page of ours without its table", QByteArray(page).replace("<table border=\"0\">\r\n", ""), {}, 0,
            ImportSourceError::PageChanged);
        row("page cut short", page.first(page.size() / 2), {}, 0, ImportSourceError::NotRecognised);
        row("some other page", "<html><body><a href=\"http://a.example/\">a</a></body></html>", {}, 0,
            ImportSourceError::NotRecognised);
        row("empty file", {}, {}, 0, ImportSourceError::NotRecognised);
        row("FIFO nothing writes into", {}, u"fifo"_s, 0, file,
            u"名前付きパイプ（FIFO）で、普通のファイルではありません"_s);
        row("device that never ends", {}, u"/dev/zero"_s, 0, file,
            u"デバイスで、普通のファイルではありません"_s);
        row("directory", {}, u"."_s, 0, file, u"ディレクトリです"_s);
        row("sparse file beyond the limit", {}, u"sparse"_s, 0, ImportSourceError::TooLarge);
        QByteArray big = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        for (int i = 0; i < 200000; ++i)
            big += u"<DT><A HREF=\"https://site%1.example.jp/\" ADD_DATE=\"1700000000\">サイト %1</A>\n"_s
                       .arg(i, 6, 10, QChar(u'0'))
                       .toUtf8();
        row("memory runs out", big, u"memory"_s, 2, file, u"メモリが足りません"_s);
        row("memory of eight times the file", big, u"memory"_s, 8, -1);
    }

    void refusedSources()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, special);
        QFETCH(int, room);
        QFETCH(int, problem);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path =
            QDir(dir.path()).absoluteFilePath(special.isEmpty() || room > 0 ? u"in.html"_s : special);
        if (special == u"fifo"_s) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (special == u"sparse"_s) {
            QFile sparse(path);
            QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(largestImportSource + 1));
        } else if (special.isEmpty() || room > 0) {
#if defined(__SANITIZE_ADDRESS__)
            if (room > 0)
                QSKIP("AddressSanitizer reserves more address space than any limit leaves");
#endif
            QVERIFY(writeBytes(path, bytes));
        }
        ImportSource read;
        ImportSourceError error;
        bool done = false;
        {
            const AddressSpaceLimit limit(room * bytes.size());
            QVERIFY(room == 0 || limit.isSet());
            done = readImportSource(path, &read, &error);
        }
        QCOMPARE(done, problem < 0);
        if (done) {
            QCOMPARE(read.links.links.size(), 200000);
            return;
        }
        QCOMPARE(int(error.problem), problem);
        if (!reason.isEmpty())
            QCOMPARE(error.file.reason, reason);
    }

    // A page of ours that someone edited gives back what can still be read, in order, and names the
    // lines that could not be read; the edits as people make them to such pages.
    void editedPages_data()
    {
        QTest::addColumn<QByteArray>("edited");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QStringList>("unread"); // lines among those reported, as they read
        QTest::addColumn<int>("unreadCount");
        PageInputs list;
        list.entries = {u"a.gif：Site A：http://a.example/"_s, u"b.gif：Site B：http://b.example/"_s,
                        u"c.gif：Site C：http://c.example/"_s};
        list.ownBanner = u"me.gif"_s;
        list.ownName = u"Me"_s;
        list.ownUrl = u"http://me.example/"_s;
        QTemporaryDir dir;
        const QByteArray page = writtenPage(dir.path(), list);
        const QString all = u"a.gif | Site A | http://a.example/\nb.gif | Site B | http://b.example/\n"
                            u"c.gif | Site C | http://c.example/"_s;
        const QByteArray counter = "<!-- counter: 00123 -->";
        QTest::newRow("an access counter added")
            << QByteArray(page).replace("<HR>\r\n", "<HR>\r\n" + counter + "\r\n") << all
            << QStringList{QString::fromLatin1(counter)} << 1;
        const qsizetype second =
            page.indexOf("<tr>\r\n<td nowrap align=\"left\"><A href=\"http://b.example/");
        QTest::newRow("a row removed, a counter in the table")
            << QByteArray(page).replace(second, page.indexOf("<tr>\r\n", second + 6) - second,
                                        counter + "\r\n")
            << u"a.gif | Site A | http://a.example/\nc.gif | Site C | http://c.example/"_s
            << QStringList{QString::fromLatin1(counter)} << 1;
        QTest::newRow("a row's name edited, a counter at the end")
            << QByteArray(page)
                   .replace("<B>Site B<", "<B>Site B, edited<")
                   .replace("</HTML>", counter + "\r\n</HTML>")
            << u"a.gif | Site A | http://a.example/\nb.gif | Site B, edited | http://b.example/\nc.gif | Site C | http://c.example/"_s
            << QStringList{QString::fromLatin1(counter)} << 1;
        QTest::newRow("a row's link broken by hand")
            << QByteArray(page).replace("<A href=\"http://b.example/\"", "<A hrf=http://b.example/")
            << u"a.gif | Site A | http://a.example/\nc.gif | Site C | http://c.example/"_s
            << QStringList{u"<td nowrap align=\"left\"><A hrf=http://b.example/ target=\"_blank\"><img "
                           u"src=\"b.gif\" border=\"0\"></A></td>"_s}
            << 6; // the row's lines, which give nothing
    }

    void editedPages()
    {
        QFETCH(QByteArray, edited);
        QFETCH(QString, entries);
        QFETCH(QStringList, unread);
        QFETCH(int, unreadCount);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"edited.html"_s);
        QVERIFY(writeBytes(path, edited));
        ImportSource read;
        ImportSourceError error;
        QVERIFY(readImportSource(path, &read, &error));
        QCOMPARE(
            described(read.page.entries.isEmpty() ? QList<LinkEntry>() : importedEntries(read.links, {})),
            entries);
        QCOMPARE(read.page.ownUrl, u"http://me.example/"_s);
        const QStringList lines = QString::fromUtf8(edited).split(u"\r\n"_s);
        QStringList reported;
        for (const qsizetype line : read.links.unreadLines)
            reported.append(lines.value(line - 1));
        QCOMPARE(reported.size(), unreadCount);
        for (const QString& line : unread)
            QVERIFY2(reported.contains(line), qPrintable(line));
        QCOMPARE(importCutNote(read.links).contains(u"%1行目"_s.arg(lines.indexOf(unread.first()) + 1)),
                 unreadCount == 1);
    }

    // Files as other programs leave them: a bookmarks file in Shift_JIS that names no charset, as
    // older browsers wrote them, and a page of ours that an editor saved again as UTF-8.
    void otherEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("entries");
        const QString shiftJis =
            u"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>ブックマーク</TITLE>\n<DL><p>\n"
            u"<DT><H3>お気に入りのサイト</H3>\n<DL><p>\n"
            u"<DT><A HREF=\"http://yado.example.jp/\">北海道の温泉宿をご案内します</A>\n"
            u"<DT><A HREF=\"http://tabi.example.jp/\">日本全国の旅行記と写真の置き場所</A>\n</DL><p>\n</DL><p>\n"_s;
        QTest::newRow("Shift_JIS bookmarks without a charset")
            << cp932::encode(shiftJis)
            << u"北海道の温泉宿をご案内します | http://yado.example.jp/\n日本全国の旅行記と写真の置き場所 | http://tabi.example.jp/"_s;
        PageInputs list;
        list.entries = {u"b.gif：旅の宿 &amp; 温泉：http://yado.example.jp/"_s,
                        u"b2.gif：😀 の部屋：http://x.example/"_s};
        QTemporaryDir dir;
        const QString page = *cp932::decode(writtenPage(dir.path(), list));
        const QString entries =
            u"b.gif | 旅の宿 &amp; 温泉 | http://yado.example.jp/\nb2.gif | &#128512; の部屋 | http://x.example/"_s;
        QTest::newRow("page saved again as UTF-8") << page.toUtf8() << entries;
        QTest::newRow("page saved again as UTF-8 with a byte-order mark and LF ends")
            << QByteArray("\xEF\xBB\xBF") + QString(page).replace(u"\r\n"_s, u"\n"_s).toUtf8() << entries;
    }

    void otherEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, entries);
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath(u"in.html"_s), bytes));
        ImportSource source;
        ImportSourceError error;
        QVERIFY2(readImportSource(dir.filePath(u"in.html"_s), &source, &error),
                 qPrintable(QString::number(error.problem)));
        QCOMPARE(described(importedEntries(source.links, QString())), entries);
    }

    // A reading cut short by a limit says so, and where: the links before the cut are all there.
    void cutsAreReported_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<int>("cut");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("links"); // -1: some, not all
        const QString link = u"<DT><A HREF=\"http://a.example/\">a</A>\n"_s;
        QTest::newRow("folders nested deeper than any browser's")
            << link + u"<DL><DT><H3>f</H3>\n"_s.repeated(300) + link + u"<!--"_s + QString(100000, u'-') +
                   u"-->"_s
            << false << int(LinkImport::Cut::TooDeep) << 258 << 1;
        QTest::newRow("pasted markup nested deeper than any page's")
            << link + u"<div>"_s.repeated(5000) + link << true << int(LinkImport::Cut::TooDeep) << 0 << 1;
        QString attributes;
        for (int i = 0; i < 64; ++i)
            attributes += u" x%1=\"\""_s.arg(i);
        QTest::newRow("a link's address after more attributes than are read")
            << link + u"<DT><A"_s + attributes + u" HREF=\"http://late.example/\">late</A>"_s << false
            << int(LinkImport::Cut::TooManyAttributes) << 2 << 1;
        QTest::newRow("more links than the file's size holds")
            << link + u"<A HREF=x>"_s.repeated(1000) << false << int(LinkImport::Cut::TooManyLinks) << 2
            << -1;
        QTest::newRow("a file read to its end")
            << link.repeated(3) << false << int(LinkImport::Cut::None) << 0 << 3;
    }

    void cutsAreReported()
    {
        QFETCH(QString, html);
        QFETCH(bool, pasted);
        QFETCH(int, cut);
        QFETCH(int, line);
        QFETCH(int, links);
        const LinkImport import = pasted ? readPastedMarkup(html) : readBookmarks(html);
        QCOMPARE(int(import.cut), cut);
        QCOMPARE(import.cutLine, line);
        // The note names the line, and there is none when nothing was cut.
        QCOMPARE(importCutNote(import).isEmpty(), cut == int(LinkImport::Cut::None));
        QCOMPARE(importCutNote(import).contains(u"%1行目"_s.arg(line)), line > 0);
        if (links < 0) // some of the file's links, not all
            QVERIFY(import.links.size() > 1 && import.links.size() < 1001);
        else
            QCOMPARE(import.links.size(), links);
        if (!pasted) {
            const LinkImport pieces = readInPieces(html, 97);
            QCOMPARE(int(pieces.cut), cut);
            QCOMPARE(pieces.cutLine, line);
            QCOMPARE(pieces.links.size(), import.links.size());
        }
    }

    // The markup partner sites offer for link exchange, as it gets pasted.
    void pastedMarkup_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<int>("skipped");
        const auto row = [](const char* name, const QString& markup, const QString& entries,
                            int skipped = 0) { QTest::newRow(name) << markup << entries << skipped; };
        row("banner link with alt",
            u"<a href=\"http://p.example/\"><img src=\"http://p.example/b.gif\" alt=\"Partner\"></a>"_s,
            u"http://p.example/b.gif | Partner | http://p.example/"_s);
        row("upper case, attributes reordered, unquoted",
            u"<A TARGET=_blank HREF=http://p.example/><IMG ALT='P &amp; Q' BORDER=0 SRC=b.gif></A>"_s,
            u"b.gif | P &amp; Q | http://p.example/"_s);
        row("title when there is no alt",
            u"<a href=\"https://p.example/\"><img title=\"<Partner>\" src=\"b.png\"></a>"_s,
            u"b.png | &lt;Partner&gt; | https://p.example/"_s);
        row("text link keeps its markup", u"<a href=\"http://t.example/\">\n  Text <b>site</b>\n</a>"_s,
            u"Text <b>site</b> | http://t.example/"_s);
        row("several in one paste, a mail link skipped",
            u"<p><a href=\"http://a.example/\">A</a> / <a href=\"mailto:me@example.jp\">mail</a>"
            u"<br><a href=\"http://b.example/\"><img src=\"b.gif\"></a></p>"_s,
            u"A | http://a.example/\nb.gif | http://b.example/ | http://b.example/"_s, 1);
        row("banner link and text link to one site, as link-back markup offers them",
            u"<A href=\"http://me.example/\"><IMG src=\"http://me.example/me.gif\" border=\"0\"></A>\n"
            u"<br>または<br>\n<A href=\"http://me.example/\">わたしの <B>ページ</B></A>"_s,
            u"http://me.example/me.gif | わたしの <B>ページ</B> | http://me.example/"_s);
        row("text link first, banner link of the same site after, another site between",
            u"<a href=\"http://t.example/\">T</a><a href=\"http://u.example/\">U</a>"
            u"<a href=\"http://T.example:80/\"><img src=\"t.gif\"></a>"_s,
            u"t.gif | T | http://t.example/\nU | http://u.example/"_s);
        row("no link at all", u"<img src=\"b.gif\" alt=\"x\">"_s, QString());
        row("control characters, raw and as references, are dropped",
            u"<a href=\"http://c.example/&#x1b;[0m\">Red&#27;[31m <i>text</i>\a</a>"
            u"<a href=\"http://d.example/\"><img src=\"d&#x1B;.gif\" alt=\"D&#127;\"></a>"_s,
            u"Red[31m <i>text</i> | http://c.example/[0m\nd.gif | D | http://d.example/"_s);
    }

    void pastedMarkup()
    {
        QFETCH(QString, markup);
        QFETCH(QString, entries);
        QFETCH(int, skipped);
        const LinkImport import = readPastedMarkup(markup);
        int skippedHere = -1;
        QCOMPARE(described(importedEntries(import, QString(), &skippedHere)), entries);
        QCOMPARE(skippedHere, skipped);
    }

    // Every reason an imported entry is held back, and an entry that is not.
    void holdBack_data()
    {
        QTest::addColumn<LinkEntry>("entry");
        QTest::addColumn<int>("reason");
        QTest::addColumn<int>("position"); // of the character, in the entry as the list holds it
        QTest::addColumn<uint>("character");
        const auto row = [](const char* name, const QString& banner, const QString& siteName,
                            const QString& url, int reason, int position = 0, uint character = 0) {
            QTest::newRow(name) << LinkEntry{banner, siteName, url} << reason << position << character;
        };
        const QString b = u"b.gif"_s;
        const QString fresh = u"http://new.example/"_s;
        row("fine", b, u"Site"_s, fresh, HoldBack::None);
        row("separator in the site URL is fine", b, u"Site"_s, u"http://new.example/a：b"_s, HoldBack::None);
        row("character Shift-JIS lacks", b, u"Café 😀"_s, fresh, HoldBack::Unsavable, 9, 0xE9);
        row("character Shift-JIS lacks, in the banner", u"b😀.gif"_s, u"Site"_s, fresh, HoldBack::Unsavable, 1,
            0x1F600);
        row("character Shift-JIS lacks, in the site URL", b, u"Site"_s, u"http://new.example/☃"_s,
            HoldBack::Unsavable, 30, 0x2603);
        row("name too long for its box", b, QString(32768, u'x'), fresh, HoldBack::TooLong);
        row("separator in the name", b, u"A：B"_s, fresh, HoldBack::SeparatorInField);
        row("separator in the banner", u"b：gif"_s, u"A"_s, fresh, HoldBack::SeparatorInField);
        row("site in the list, spelt otherwise", b, u"Old"_s, u"HTTP://Listed.Example:80/#top"_s,
            HoldBack::AlreadyInList);
        row("site earlier in the import", b, u"Again"_s, u"http://earlier.example"_s,
            HoldBack::EarlierInImport);
    }

    void holdBack()
    {
        QFETCH(LinkEntry, entry);
        QFETCH(int, reason);
        QFETCH(int, position);
        QFETCH(uint, character);
        const QList<HoldBack> found =
            checkImportedEntries({LinkEntry{u"e.gif"_s, u"Earlier"_s, u"http://earlier.example/"_s}, entry},
                                 {u"l.gif：Listed：http://listed.example/"_s});
        QCOMPARE(found.front().reason, HoldBack::None);
        QCOMPARE(int(found.back().reason), reason);
        QCOMPARE(found.back().position, qsizetype(position));
        QCOMPARE(uint(found.back().character), character);
    }

    // A folder is taken with the folders inside it, never with a folder whose name merely begins
    // with its name.
    void folderTakesWhatIsInsideIt()
    {
        LinkImport import;
        for (const QString& folder : {u"旅行"_s, u"旅行/北海道"_s, u"旅行記"_s, QString()})
            import.links.append({{u"b.gif"_s, folder, u"http://a.example/"_s}, false, {}, folder});
        const auto names = [&import](const QString& folder) {
            QStringList names;
            for (const LinkEntry& entry : importedEntries(import, folder))
                names.append(entry.siteName);
            return names.join(u',');
        };
        QCOMPARE(names(u"旅行"_s), u"旅行,旅行/北海道"_s);
        QCOMPARE(names(u"旅行記"_s), u"旅行記"_s);
        QCOMPARE(names(QString()), u"旅行,旅行/北海道,旅行記,"_s);
    }

    // Both exports read back: the bookmarks by our own bookmarks reader, as a browser reads them, the
    // CSV by the RFC 4180 rules, after its byte-order mark.
    void exportsReadBack()
    {
        PageInputs list;
        list.title = u"友達 & <仲間>"_s;
        list.entries = {u"b1.gif：Site, \"one\"<BR>diary：http://one.example/?a=1&b=2"_s,
                        u"b2.gif：Q&amp;A &lt;FAQ&gt;：https://two.example/"_s, u"short"_s};
        QTemporaryDir dir;
        FileError error;
        QVERIFY(saveExport(dir.filePath(u"b.html"_s), list, ExportFormat::Bookmarks, &error));
        ImportSource source;
        ImportSourceError readError;
        QVERIFY(readImportSource(dir.filePath(u"b.html"_s), &source, &readError));
        QCOMPARE(source.links.folders, QStringList{u"友達 & <仲間>"_s});
        int skipped = -1;
        QCOMPARE(
            described(importedEntries(source.links, u"友達 & <仲間>"_s, &skipped)),
            u"Site, \"one\" diary | http://one.example/?a=1&b=2\nQ&amp;A &lt;FAQ&gt; | https://two.example/"_s);
        QCOMPARE(skipped, 1); // the short entry has no address

        QVERIFY(saveExport(dir.filePath(u"l.csv"_s), list, ExportFormat::Csv, &error));
        const QByteArray bytes = readBytes(dir.filePath(u"l.csv"_s));
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> rows = readCsv(QString::fromUtf8(bytes.sliced(3)));
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[1],
                 (QStringList{u"b1.gif"_s, u"Site, \"one\"<BR>diary"_s, u"http://one.example/?a=1&b=2"_s}));
        QCOMPARE(rows[2], (QStringList{u"b2.gif"_s, u"Q&amp;A &lt;FAQ&gt;"_s, u"https://two.example/"_s}));
        QCOMPARE(rows[3], (QStringList{u"short"_s, QString(), QString()}));
    }
    // The HTML readers that bookmarks, pasted markup and pages are read with: the parsed tree and the
    // tokenizer.
    void readsLinksAsBrowsersDo_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("href");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("inner");
        QTest::newRow("plain") << u"<a href=\"http://a.jp/\">A</a>"_s << u"http://a.jp/"_s << u"A"_s
                               << u"A"_s;
        QTest::newRow("upper case, unquoted")
            << u"<A HREF=http://a.jp/>A</A>"_s << u"http://a.jp/"_s << u"A"_s << u"A"_s;
        QTest::newRow("single quotes, other attribute first")
            << u"<a target='_blank' href='http://a.jp/?a=1&amp;b=2'>x</a>"_s << u"http://a.jp/?a=1&b=2"_s
            << u"x"_s << u"x"_s;
        QTest::newRow("references in text")
            << u"<a href=\"h\">A &amp; B &lt;C&gt; &#x3042;&#12356;</a>"_s << u"h"_s << u"A & B <C> あい"_s
            << u"A &amp; B &lt;C&gt; &#x3042;&#12356;"_s;
        QTest::newRow("markup inside")
            << u"<a href=\"h\"><b>太字</b><br>次</a>"_s << u"h"_s << u"太字次"_s << u"<b>太字</b><br>次"_s;
        QTest::newRow("unclosed") << u"<p><a href=\"h\">open"_s << u"h"_s << u"open"_s << QString();
        QTest::newRow("references without their semicolon")
            << u"<a href=\"?a=1&copy=2&not;x&amp\">&notit; &#x80;&#0;&amp</a>"_s << u"?a=1&copy=2¬x&"_s
            << u"¬it; €\uFFFD&"_s << u"&notit; &#x80;&#0;&amp"_s;
    }

    void readsLinksAsBrowsersDo()
    {
        QFETCH(QString, html);
        QFETCH(QString, href);
        QFETCH(QString, text);
        QFETCH(QString, inner);
        const HtmlDocument document(html);
        const QList<int> links = document.elements(u"a");
        QCOMPARE(links.size(), 1);
        QCOMPARE(document.attribute(links[0], u"href"), href);
        QCOMPARE(document.text(links[0]), text);
        QCOMPARE(document.innerSource(links[0]), inner);
        QVERIFY(document.attribute(links[0], u"title").isNull());

        // The tokenizer reads the same address and text.
        HtmlTokenizer tokens(html);
        QString tokenHref;
        QString tokenText;
        bool inLink = false;
        for (auto token = tokens.next(); token != HtmlTokenizer::Token::End; token = tokens.next()) {
            if (token == HtmlTokenizer::Token::StartTag && tokens.tagName() == u"a")
                tokenHref = tokens.attribute(u"href");
            if (tokens.tagName() == u"a" && token != HtmlTokenizer::Token::Text)
                inLink = token == HtmlTokenizer::Token::StartTag;
            else if (token == HtmlTokenizer::Token::Text && inLink)
                tokenText += tokens.text();
        }
        QCOMPARE(tokenHref, href);
        QCOMPARE(tokenText, text);
    }

    void survivesDeepNesting()
    {
        // Nesting that real pages reach, unclosed paragraphs and font tags included, is read whole; a
        // page of nothing but nested blocks is read only as deep as a real page goes, and quickly.
        const QString link = u"<a href=\"deep\">d</a>"_s;
        const HtmlDocument deep(u"<div><!-- <div> --><p><font color='>'><br><img src=x/>"_s.repeated(1500) +
                                link);
        QVERIFY(!deep.truncated());
        QCOMPARE(deep.attribute(deep.elements(u"a").value(0), u"href"), u"deep"_s);
        const HtmlDocument abyss(link + u"<div>"_s.repeated(400000) + link);
        QVERIFY(abyss.truncated());
        QCOMPARE(abyss.elements(u"a").size(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_importing)
#include "tst_importing.moc"
