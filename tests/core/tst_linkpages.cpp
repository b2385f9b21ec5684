#include "linkpages/linkpages.h"
#include "robots/robotsrules.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

// Where a partner's link page may be, and whether its robots.txt lets the check read it.
class tst_linkpages : public QObject
{
    Q_OBJECT

private slots:
    void candidates_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const char* html, const QStringList& expected) {
            QTest::newRow(name) << QString::fromUtf8(html) << expected;
        };
        row("text LINK", "<a href='link.html'>LINK</a><a href='diary.html'>日記</a>",
            {u"http://www.partner.jp/site/link.html"_s});
        row("text リンク in half width", "<a href='l.html'><b>ﾘﾝｸ</b></a>",
            {u"http://www.partner.jp/site/l.html"_s});
        row("image link with alt リンク", "<a href=\"/m/\"><img src=m.gif alt=\"相互リンク\"></a>",
            {u"http://www.partner.jp/m/"_s});
        row("address links/ under a plain word", "<a href='../links/'>こちら</a>",
            {u"http://www.partner.jp/links/"_s});
        row("frames first, each once",
            "<a href=link.htm>Links</a><frameset><frame src=menu.html>"
            "<frame src='menu.html#top'></frameset><iframe src=link.htm>",
            {u"http://www.partner.jp/site/menu.html"_s, u"http://www.partner.jp/site/link.htm"_s});
        row("the same site without www", "<a href='http://partner.jp/link/'>link</a>",
            {u"http://partner.jp/link/"_s});
        row("another host not followed",
            "<a href='http://other.jp/link.html'>リンク</a><frame src='http://sub.partner.jp/'>", {});
        row("base element counted", "<base href='http://partner.jp/x/'><a href=link.html>link</a>",
            {u"http://partner.jp/x/link.html"_s});
        row("the page itself left out", "<a href='index.html#links'>リンク</a>", {});
    }

    void candidates()
    {
        QFETCH(QString, html);
        QFETCH(QStringList, expected);
        QCOMPARE(linkPageCandidates(html, u"http://www.partner.jp/site/index.html"), expected);
    }

    void robots_data()
    {
        QTest::addColumn<QByteArray>("robotsTxt");
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("allowed");
        const QByteArray forUs = "User-agent: Google\nDisallow: /\n\nUser-agent: SiteLoom\nDisallow: /link\n"
                                 "Allow: /link/public\n\nUser-agent: *\nDisallow: /diary/\n";
        QTest::newRow("our group forbids") << forUs << u"/link.html"_s << false;
        QTest::newRow("our group's longer allow wins") << forUs << u"/link/public/a.html"_s << true;
        QTest::newRow("the * group is not ours when ours is there") << forUs << u"/diary/"_s << true;
        const QByteArray anyone = "# comment\nuser-agent: *\nuser-agent: other\ndisallow: /*.cgi$ # cgi\n"
                                  "disallow: /%7Euser/\nallow: /~user/link\ndisallow:\n";
        QTest::newRow("* group, pattern with star and end") << anyone << u"/bbs/read.cgi"_s << false;
        QTest::newRow("* group, end anchor not met") << anyone << u"/bbs/read.cgi?x=1"_s << true;
        QTest::newRow("escaped and plain alike") << anyone << u"/~user/diary"_s << false;
        QTest::newRow("allow longer than disallow") << anyone << u"/%7euser/links.html"_s << true;
        QTest::newRow("no rule matches") << anyone << u"/link.html"_s << true;
        QTest::newRow("robots.txt itself")
            << QByteArray("User-agent: *\nDisallow: /\n") << u"/robots.txt"_s << true;
        QTest::newRow("empty file") << QByteArray() << u"/link.html"_s << true;
    }

    void robots()
    {
        QFETCH(QByteArray, robotsTxt);
        QFETCH(QString, path);
        QFETCH(bool, allowed);
        QCOMPARE(RobotsRules::parse(robotsTxt, robotsProductToken).allows(path), allowed);
    }

    // The link pages remembered between checks: what a damaged file still gives, and what is written
    // reads back the same.
    void memory_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected"); // "site page", sorted
        QTest::newRow("two partners, one without www on its page")
            << QByteArray("http://a.example/\thttp://a.example/link.html\n"
                          "http://www.b.example/~b/\thttp://b.example/~b/links/\n")
            << QStringList{u"http://a.example/ http://a.example/link.html"_s,
                           u"http://www.b.example/~b/ http://b.example/~b/links/"_s};
        QTest::newRow("lines without a tab, with two, or not addresses")
            << QByteArray(
                   "http://a.example/\n\t\nhttp://a.example/\tx\ty\nftp://c.example/\tftp://c.example/l\n"
                   "\xff\xfe\x01\thttp://a.example/l.html\nhttp://d.example/\thttp://d.example/l.html")
            << QStringList{u"http://d.example/ http://d.example/l.html"_s};
        QTest::newRow("a page on another site")
            << QByteArray("http://a.example/\thttp://other.example/link.html\n") << QStringList();
        QTest::newRow("no file") << QByteArray() << QStringList();
    }

    void memory()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"cache/linkpages.txt"_s);
        if (!file.isEmpty()) {
            QVERIFY(QDir().mkpath(dir.filePath(u"cache"_s)));
            QFile written(path);
            QVERIFY(written.open(QIODevice::WriteOnly) && written.write(file) == file.size());
        }
        const LinkPageMemory read = readLinkPageMemory(path);
        QStringList lines;
        for (auto it = read.cbegin(); it != read.cend(); ++it)
            lines.append(it.key() + u' ' + it.value());
        lines.sort();
        QCOMPARE(lines, expected);
        QVERIFY(writeLinkPageMemory(dir.filePath(u"again/linkpages.txt"_s), read));
        QCOMPARE(readLinkPageMemory(dir.filePath(u"again/linkpages.txt"_s)), read);
    }

    // An allow and a disallow of the same pattern allow; what nothing forbids is allowed; a
    // robots.txt that could not be read forbids all but itself.
    void robotsTieAndDefaults()
    {
        for (const QString& pattern : {u"/"_s, u"/link"_s, u"/*.html"_s, u"/a$"_s}) {
            const QByteArray both =
                "User-agent: *\nDisallow: " + pattern.toUtf8() + "\nAllow: " + pattern.toUtf8();
            for (const QString& path : {u"/"_s, u"/link.html"_s, u"/a"_s}) {
                QVERIFY(RobotsRules::parse(both, robotsProductToken).allows(path));
                QVERIFY(RobotsRules().allows(path));
                QVERIFY(!RobotsRules::disallowAll().allows(path));
            }
        }
        QVERIFY(RobotsRules::disallowAll().allows(u"/robots.txt"));
    }
};

QTEST_GUILESS_MAIN(tst_linkpages)
#include "tst_linkpages.moc"
