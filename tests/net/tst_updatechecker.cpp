#include "testhttpserver.h"
#include "updates/updatechecker.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

using Response = TestHttpServer::Response;
using Request = TestHttpServer::Request;

namespace {

constexpr int rounds = 6;

Response page(const QByteArray& body, QList<std::pair<QByteArray, QByteArray>> headers = {})
{
    Response response = Response::of(200, body, "text/html; charset=UTF-8");
    response.headers += headers;
    return response;
}

// A page (or feed) that answers its validators with 304 while its version stays the same.
Response validated(const Request& request, const Response& full, const QByteArray& etag,
                   const QByteArray& modified)
{
    if ((!etag.isEmpty() && request.headers.value("if-none-match") == etag) ||
        (!modified.isEmpty() && request.headers.value("if-modified-since") == modified))
        return Response::of(304);
    Response response = full;
    if (!etag.isEmpty())
        response.headers.append({"ETag", etag});
    if (!modified.isEmpty())
        response.headers.append({"Last-Modified", modified});
    return response;
}

QByteArray rssItem(int version, const QByteArray& title)
{
    return "<item><title>" + title + QByteArray::number(version) + "</title><link>http://127.0.0.1/i" +
           QByteArray::number(version) + "</link><pubDate>0" + QByteArray::number(version) +
           " Jan 2024 10:00:00 +0900</pubDate></item>";
}

} // namespace

// The update check against a small web on the loopback server that changes between rounds as a
// script says: each site's real changes must be reported once, in the round they happen, and its
// noise never.
class tst_updatechecker : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;
    QTemporaryDir m_dir;
    int m_round = 0;
    int m_requests = 0;
    QHash<QString, QString> m_seen; // per site: a letter per round (n new, . unchanged, u updated, ? unknown)
    QHash<QString, int> m_notModified; // per site: its answers to validators
    QHash<QString, QString> m_titles;  // per site: the titles of its updates

    // The site's version in this round: it changes in the rounds named.
    int version(std::initializer_list<int> changes) const
    {
        int v = 1;
        for (int round : changes)
            v += m_round >= round;
        return v;
    }

    Response answer(const Request& request)
    {
        ++m_requests;
        const QString& path = request.path;
        // The answers to validators: 304, or 412 where the server refuses them.
        const auto count = [this, &path](const Response& response) {
            if (response.status == 304 || response.status == 412)
                ++m_notModified[path.section(u'/', 1, 1).remove(u"-new"_s)];
            return response;
        };
        if (path == u"/robots.txt")
            return Response::of(200, "User-agent: siteloom\nDisallow: /forbidden/\n", "text/plain");
        if (path == u"/rss1/")
            return page("<link rel=alternate type=application/rss+xml href=feed.rdf>");
        if (path == u"/rss1/feed.rdf") {
            const QByteArray v = QByteArray::number(version({3}));
            // 日記 in Shift_JIS.
            return count(validated(
                request,
                Response::of(200,
                             "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><rdf:RDF xmlns:rdf=\"http:"
                             "//www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:dc=\"http://purl.org/dc/"
                             "elements/1.1/\" xmlns=\"http://purl.org/rss/1.0/\"><item><title>\x93\xFA"
                             "\x8B\x4C" +
                                 v + "</title><dc:date>2024-01-0" + v +
                                 "T00:00:00Z</dc:date></item></rdf:RDF>",
                             "application/rdf+xml"),
                "\"r" + v + '"', {}));
        }
        if (path == u"/rss2/")
            return page("<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss2/rss.xml\">");
        if (path == u"/rss2/rss.xml") {
            // 日記 in EUC-JP, the charset named by the feed alone.
            const int v = version({4});
            return count(validated(request,
                                   Response::of(200,
                                                "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><rss><channel>" +
                                                    rssItem(v, "\xC6\xFC\xB5\xAD") + "</channel></rss>",
                                                "application/rss+xml"),
                                   {}, "Mon, 0" + QByteArray::number(v) + " Jan 2024 00:00:00 GMT"));
        }
        if (path == u"/atom/")
            return page("<link rel=feed href=atom.xml>");
        if (path == u"/atom/atom.xml") {
            const QByteArray v = QByteArray::number(version({5}));
            return Response::of(200,
                                "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>a" + v +
                                    "</title><updated>2024-02-0" + v + "T00:00:00Z</updated></entry></feed>",
                                "application/atom+xml");
        }
        if (path == u"/json/")
            return page("<link rel=alternate type=application/feed+json href=feed.json>");
        if (path == u"/json/feed.json") {
            const QByteArray v = QByteArray::number(version({2}));
            return Response::of(200,
                                "{\"version\": \"https://jsonfeed.org/version/1.1\", \"items\": [{\"title\": "
                                "\"j" +
                                    v + "\", \"date_modified\": \"2024-03-0" + v + "T00:00:00Z\"}]}",
                                "application/feed+json");
        }
        if (path == u"/frames/")
            return page("<frameset cols=\"20%,*\"><frame src=menu.html><frame src=main.html></frameset>");
        if (path == u"/frames/menu.html")
            return page("<p>menu</p>");
        if (path == u"/frames/main.html")
            return page("<link rel=alternate type=application/atom+xml href=/frames/feed.xml><p>main</p>");
        if (path == u"/frames/feed.xml") {
            const QByteArray v = QByteArray::number(version({6}));
            return Response::of(200,
                                "<feed><entry><title>f" + v + "</title><updated>2024-04-0" + v +
                                    "T00:00:00Z</updated></entry></feed>",
                                "application/atom+xml");
        }
        if (path == u"/frametext/")
            return page("<frameset><frame src=body.html></frameset>");
        if (path == u"/frametext/body.html")
            return page("<p>visitor " + QByteArray::number(m_requests) + "</p>" +
                        QByteArray("<p>diary</p>").repeated(version({5})));
        if (path == u"/etag/") {
            const int v = version({3});
            return count(validated(request, page("<p>diary</p>" + QByteArray("<p>new line</p>").repeated(v)),
                                   "\"e" + QByteArray::number(v) + '"', {}));
        }
        if (path == u"/lastmod/") {
            const int v = version({4});
            return count(validated(request,
                                   page(v == 1 ? "<p>see you tomorrow</p>" : "<p>see you next week</p>"), {},
                                   "Mon, 0" + QByteArray::number(v) + " Jan 2024 00:00:00 GMT"));
        }
        if (path == u"/plain/") {
            // Noise every round: a counter, a rotating ad, today's date, and from round 4 another month.
            const QByteArray n = QByteArray::number(m_requests);
            const QByteArray month = m_round >= 4 ? "December" : "November";
            return page("<p>diary</p>" + QByteArray("<p>another day</p>").repeated(version({6})) +
                        "<p>visitor " + n + "</p><a href=/ad" + n + "><img src=/ad" + n +
                        ".gif alt=ad></a><p>2024/12/0" + QByteArray::number(m_round) +
                        "</p><table><caption>" + month + " 2024</caption><tr><td>1" + "<td>30</table>");
        }
        if (path == u"/strict/") {
            if (request.headers.contains("if-none-match"))
                return count(Response::of(412));
            return page("<p>strict</p>" + QByteArray("<p>more</p>").repeated(version({4})),
                        {{"ETag", "\"s\""}});
        }
        if (path == u"/moved/")
            return m_round >= 3 ? Response{301, {{"Location", "/moved-new/"}}, {}, 0, false, false}
                                : page("<p>at home</p>", {{"ETag", "\"m\""}});
        if (path == u"/moved-new/")
            return count(validated(request,
                                   page(version({5}) == 1 ? "<p>at home</p>" : "<p>at home, new</p>"),
                                   "\"n" + QByteArray::number(version({5})) + '"', {}));
        if (path == u"/future/")
            return page("<link rel=alternate type=application/rss+xml href=rss.xml>");
        if (path == u"/future/rss.xml")
            return Response::of(
                200,
                "<rss><channel><item><title>2038</title><pubDate>Tue, 19 Jan 2038 03:14:07 GMT"
                "</pubDate></item>" +
                    rssItem(version({3}), "now") + "</channel></rss>",
                "application/rss+xml");
        if (path == u"/forbidden/")
            return page("<p>never read</p>");
        return Response::of(404);
    }

    static QStringList sites()
    {
        return {u"rss1"_s,    u"rss2"_s,  u"atom"_s,   u"json"_s,  u"frames"_s, u"frametext"_s, u"etag"_s,
                u"lastmod"_s, u"plain"_s, u"strict"_s, u"moved"_s, u"future"_s, u"forbidden"_s};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        m_server.answerWith([this](const Request& request) { return answer(request); });
        QStringList entries;
        for (const QString& site : sites())
            entries.append(u"：%1：%2"_s.arg(site, m_server.url(u'/' + site + u'/')));
        UpdateOptions options;
        options.stateFile = m_dir.filePath(u"updates.json"_s);
        for (m_round = 1; m_round <= rounds; ++m_round) {
            UpdateChecker checker;
            checker.setOptions(options);
            QSignalSpy finished(&checker, &UpdateChecker::finished);
            checker.start(entries);
            QVERIFY(finished.wait(20000));
            QVERIFY(checker.stateWritten());
            for (const UpdateResult& result : checker.results()) {
                static const QString letters = u"u.n?e"_s;
                m_seen[result.name] += letters[int(result.status)];
                if (result.status == UpdateStatus::Updated)
                    m_titles[result.name] += result.title + u';';
            }
        }
        QVERIFY(m_server.maxInFlight() <= 2);
    }

    void reportsEveryChangeOnce_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("seen");
        QTest::addColumn<int>("notModified"); // 304s, and 412s
        QTest::addColumn<QString>("titles");
        QTest::newRow("rss 1.0 in Shift_JIS") << u"rss1"_s << u"n.u..."_s << 4 << u"日記2;"_s;
        QTest::newRow("rss 2.0 in EUC-JP, no HTTP charset") << u"rss2"_s << u"n..u.."_s << 4 << u"日記2;"_s;
        QTest::newRow("atom, no validators") << u"atom"_s << u"n...u."_s << 0 << u"a2;"_s;
        QTest::newRow("json feed") << u"json"_s << u"nu...."_s << 0 << u"j2;"_s;
        QTest::newRow("feed found in a frame") << u"frames"_s << u"n....u"_s << 0 << u"f2;"_s;
        QTest::newRow("a frame's text, no feed") << u"frametext"_s << u"n...u."_s << 0 << u";"_s;
        QTest::newRow("etag") << u"etag"_s << u"n.u..."_s << 4 << u";"_s;
        QTest::newRow("last-modified only") << u"lastmod"_s << u"n..u.."_s << 4 << u";"_s;
        QTest::newRow("no validators, noise") << u"plain"_s << u"n....u"_s << 0 << u";"_s;
        QTest::newRow("412 on if-none-match") << u"strict"_s << u"n..u.."_s << 5 << u";"_s;
        QTest::newRow("moved for good") << u"moved"_s << u"n...u."_s << 2 << u";"_s;
        QTest::newRow("an item dated 2038") << u"future"_s << u"n.u..."_s << 0 << u"now2;"_s;
        QTest::newRow("robots.txt forbids") << u"forbidden"_s << u"??????"_s << 0 << QString();
    }
    void reportsEveryChangeOnce()
    {
        QFETCH(QString, site);
        QTEST(m_seen.value(site), "seen");
        QTEST(m_notModified.value(site), "notModified");
        QTEST(m_titles.value(site), "titles");
    }

    // The manners and limits, each against a server that misbehaves for real.
    void mannersAndLimits_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("reason");
        QTest::newRow("429 with Retry-After, asked again") << u"/busy"_s << u"new"_s << QString();
        QTest::newRow("503 with too long a Retry-After")
            << u"/down"_s << u"error"_s << u"サーバーが HTTP 503 を返しました。"_s;
        QTest::newRow("a body slower than the time limit")
            << u"/slow"_s << u"error"_s << u"時間内に読み終わりませんでした。"_s;
        QTest::newRow("not HTML") << u"/image"_s << u"unknown"_s << u"HTML のページではありません。"_s;
        QTest::newRow("closed port") << QString() << u"error"_s << u"サイトに接続できませんでした"_s;
    }
    void mannersAndLimits()
    {
        QFETCH(QString, path);
        TestHttpServer server;
        QVERIFY(server.listen());
        Response busy = Response::of(429);
        busy.headers.append({QByteArray("Retry-After"), QByteArray("0")});
        int asked = 0;
        server.answerWith([&](const Request& request) {
            if (request.path == u"/busy")
                return ++asked == 1 ? busy : page("<p>at last</p>");
            if (request.path == u"/down")
                return Response{503, {{"Retry-After", "3600"}}, {}, 0, false, false};
            if (request.path == u"/slow") {
                Response slow = page("<p>" + QByteArray(200, 'x') + "</p>");
                slow.trickleMs = 20;
                return slow;
            }
            if (request.path == u"/image")
                return Response::of(200, "GIF89a", "image/gif");
            return Response::of(404);
        });
        UpdateOptions options;
        options.stateFile = m_dir.filePath(u"limits.json"_s);
        options.totalMs = 500;
        UpdateChecker checker;
        checker.setOptions(options);
        QSignalSpy finished(&checker, &UpdateChecker::finished);
        checker.start({u"：s："_s + (path.isEmpty() ? u"http://127.0.0.1:1/"_s : server.url(path))});
        QVERIFY(finished.wait(10000));
        QTEST(updateStatusKeyword(checker.results().value(0).status), "status");
        QFETCH(QString, reason);
        QVERIFY2(checker.results().value(0).reason.startsWith(reason),
                 qPrintable(checker.results().value(0).reason));
    }

    // Stopped, the check ends at once and still keeps what it saw.
    void stops()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        server.answerWith([](const Request& request) {
            return request.path == u"/robots.txt" ? Response::of(404) : Response::stalling();
        });
        UpdateOptions options;
        options.stateFile = m_dir.filePath(u"stopped.json"_s);
        UpdateChecker checker;
        checker.setOptions(options);
        QSignalSpy finished(&checker, &UpdateChecker::finished);
        checker.start({u"：a："_s + server.url(u"/a"_s), u"：b："_s + server.url(u"/b"_s)});
        QTRY_COMPARE(server.requests().size(), 3);
        checker.cancel();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(checker.stateWritten());
        QVERIFY(QFile::exists(options.stateFile));
    }

    void namesItselfAndNeverReadsForbiddenPages()
    {
        QVERIFY(!m_server.requests().contains(u"GET /forbidden/"_s));
        for (const QByteArray& agent : m_server.userAgents())
            QVERIFY2(agent.startsWith("siteloom/"), agent.constData());
    }
};

QTEST_GUILESS_MAIN(tst_updatechecker)
#include "tst_updatechecker.moc"
