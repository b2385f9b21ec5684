#include "updates/feeds.h"
#include "updates/fingerprint.h"
#include "updates/updatestate.h"

#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace siteloom {

class TestUpdates : public QObject
{
    Q_OBJECT

    const QDateTime now{QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc()};

private slots:
    void readsFeeds_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("link");
        // 日記 in Shift_JIS, EUC-JP and UTF-8.
        QTest::newRow("rss 1.0 in Shift_JIS, dc:date")
            << QByteArray(
                   "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><rdf:RDF "
                   "xmlns:rdf=\"http://www.w3.org/1999/"
                   "02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\" xmlns:dc=\"http://purl.org/dc/"
                   "elements/1.1/\"><channel><title>x</title></channel><item><title>\x93\xFA\x8B\x4C</title>"
                   "<link>http://a.test/d/1.html</link><dc:date>2026-12-06T21:00:00+09:00</dc:date></item>"
                   "</rdf:RDF>")
            << QByteArray("application/rdf+xml") << u"2026-12-06T12:00:00Z"_s << u"日記"_s
            << u"http://a.test/d/1.html"_s;
        QTest::newRow("rss 2.0 in EUC-JP without an HTTP charset, newest of pubDates")
            << QByteArray(
                   "<?xml version='1.0' encoding='EUC-JP'?><rss version=\"2.0\"><channel><item><title>old"
                   "</title><link>/o</link><pubDate>Sat, 05 Dec 2026 10:00:00 JST</pubDate></item><item>"
                   "<title>\xC6\xFC\xB5\xAD</title><link>/n</link><pubDate>Sun, 06 Dec 2026 10:00:00 +0900"
                   "</pubDate></item></channel></rss>")
            << QByteArray("application/rss+xml") << u"2026-12-06T01:00:00Z"_s << u"日記"_s
            << u"http://a.test/n"_s;
        QTest::newRow("rss 2.0 without item dates: lastBuildDate and the first item")
            << QByteArray(
                   "<rss><channel><lastBuildDate>Mon, 07 Dec 2026 00:00:00 GMT</lastBuildDate><item><title>a"
                   "</title><link>http://a.test/a</link></item><item><title>b</title></item></channel></rss>")
            << QByteArray() << u"2026-12-07T00:00:00Z"_s << u"a"_s << u"http://a.test/a"_s;
        QTest::newRow("atom updated and alternate link")
            << QByteArray(
                   "<feed "
                   "xmlns=\"http://www.w3.org/2005/Atom\"><updated>2026-12-01T00:00:00Z</updated><entry>"
                   "<title>\xE6\x97\xA5\xE8\xA8\x98</title><link rel=\"edit\" href=\"/e\"/><link "
                   "href=\"/p\"/>"
                   "<updated>2026-12-02T00:00:00Z</updated></entry></feed>")
            << QByteArray("application/atom+xml; charset=UTF-8") << u"2026-12-02T00:00:00Z"_s << u"日記"_s
            << u"http://a.test/p"_s;
        QTest::newRow("json feed date_modified")
            << QByteArray("{\"version\": \"https://jsonfeed.org/version/1.1\", \"items\": [{\"title\": "
                          "\"t\", \"url\": "
                          "\"/j\", \"date_modified\": \"2026-12-03T00:00:00Z\"}]}")
            << QByteArray("application/feed+json") << u"2026-12-03T00:00:00Z"_s << u"t"_s
            << u"http://a.test/j"_s;
        QTest::newRow("an item dated 2038 is not the newest")
            << QByteArray("<rss><channel><item><title>future</title><pubDate>Tue, 19 Jan 2038 03:14:07 GMT"
                          "</pubDate></item><item><title>real</title><pubDate>Fri, 04 Dec 2026 00:00:00 "
                          "GMT</pubDate>"
                          "</item></channel></rss>")
            << QByteArray() << u"2026-12-04T00:00:00Z"_s << u"real"_s << QString();
        QTest::newRow("a date before 1995 is no date")
            << QByteArray(
                   "<rss><channel><item><title>x</title><pubDate>Thu, 01 Jan 1970 00:00:00 GMT</pubDate>"
                   "</item></channel></rss>")
            << QByteArray() << QString() << u"x"_s << QString();
    }
    void readsFeeds()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        const FeedNewest newest = readFeed(body, contentType, u"http://a.test/feed.xml", now);
        QVERIFY(newest.isFeed);
        QFETCH(QString, date);
        QCOMPARE(newest.date.toUTC().toString(Qt::ISODate), date);
        QTEST(newest.title, "title");
        QTEST(newest.link, "link");
    }

    void refusesWhatIsNoFeed()
    {
        QVERIFY(!readFeed("<html><body>x</body></html>", "text/html", u"http://a.test/", now).isFeed);
        QVERIFY(!readFeed("{\"items\": []}", "application/json", u"http://a.test/", now).isFeed);
    }

    void discoversFeeds_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("feed");
        QTest::addColumn<QStringList>("frames");
        QTest::newRow("rss alternate")
            << u"<link rel=stylesheet href=a.css><link rel=\"alternate\" type=\"application/rss+xml\" href=\"rss.xml\">"_s
            << u"http://a.test/d/rss.xml"_s << QStringList();
        QTest::newRow("atom after base")
            << u"<base href=\"http://b.test/\"><link rel=\"Alternate\" type=\"application/atom+xml\" href=\"a.xml\">"_s
            << u"http://b.test/a.xml"_s << QStringList();
        QTest::newRow("rel feed") << u"<link rel=\"feed\" href=\"/f\">"_s << u"http://a.test/f"_s
                                  << QStringList();
        QTest::newRow("json feed") << u"<link rel=alternate type=application/feed+json href=f.json>"_s
                                   << u"http://a.test/d/f.json"_s << QStringList();
        QTest::newRow("alternate language is no feed")
            << u"<link rel=alternate hreflang=en href=en.html>"_s << QString() << QStringList();
        QTest::newRow("frameset") << u"<frameset><frame src=menu.html><frame src=\"main.html\"></frameset>"_s
                                  << QString()
                                  << QStringList{u"http://a.test/d/menu.html"_s,
                                                 u"http://a.test/d/main.html"_s};
    }
    void discoversFeeds()
    {
        QFETCH(QString, html);
        const PageFeed found = discoverFeed(html, u"http://a.test/d/index.html");
        QTEST(found.feed, "feed");
        QTEST(found.frames, "frames");
    }

    void fingerprintIgnoresNoise_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("same");
        const QString page = u"<p>日記</p><p>今日は晴れ。</p>%1"_s;
        QTest::newRow("counter") << page.arg(u"あなたは 1234 人目"_s) << page.arg(u"あなたは 1235 人目"_s)
                                 << true;
        QTest::newRow("full-width counter") << page.arg(u"１２３４"_s) << page.arg(u"１２３５"_s) << true;
        QTest::newRow("rotating ad") << page.arg(u"<a href=/ad?1><img src=ad1.gif alt=\"\"></a>"_s)
                                     << page.arg(u"<a href=/ad?2><img src=ad2.gif></a>"_s) << true;
        QTest::newRow("today's date")
            << page.arg(u"2026年12月7日(月)"_s) << page.arg(u"2026年12月8日（火）"_s) << true;
        QTest::newRow("calendar month")
            << page.arg(
                   u"<table><caption>November 2026</caption><tr><td>Su<td>Mo<tr><td>1<td>2<td>30</table>"_s)
            << page.arg(
                   u"<table><caption>December 2026</caption><tr><td>Su<td>Mo<tr><td>1<td>2<td>31</table>"_s)
            << true;
        QTest::newRow("script and style")
            << page.arg(u"<script>var t=1;</script><style>p{}</style>"_s)
            << page.arg(u"<script>var t=2; go();</script><style>b{}</style>"_s) << true;
        QTest::newRow("new diary line") << page.arg(QString()) << page.arg(u"<p>猫が来た。</p>"_s) << false;
        QTest::newRow("changed paragraph")
            << page.arg(u"<p>また明日。</p>"_s) << page.arg(u"<p>また来週。</p>"_s) << false;
    }
    void fingerprintIgnoresNoise()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QTEST(pageFingerprint(before) == pageFingerprint(after), "same");
    }

    // Over any sequence of looks, a change is reported only for a fingerprint or feed item that
    // differs from the one before it, and never on the first look.
    void judgesLooksInTurn()
    {
        const QList<std::pair<QByteArray, SiteChange>> looks = {
            {"a", SiteChange::New},  {"a", SiteChange::Same}, {"b", SiteChange::Changed},
            {"b", SiteChange::Same}, {"", SiteChange::Same},  {"c", SiteChange::Changed}};
        SiteState state;
        for (qsizetype i = 0; i < looks.size(); ++i) {
            SiteLook look;
            look.notModified = looks[i].first.isEmpty();
            look.fingerprint = looks[i].first;
            SiteState next;
            QCOMPARE(judgeLook(i == 0 ? nullptr : &state, look, now.addSecs(i), &next), looks[i].second);
            state = next;
        }
        QCOMPARE(state.changedAt, now.addSecs(5));
    }
};

} // namespace siteloom

QTEST_GUILESS_MAIN(siteloom::TestUpdates)
#include "tst_updates.moc"
