#include "linkcheck/checkresult.h"
#include "linkcheck/partnerpage.h"
#include "linkentry/linkentry.h"
#include "weburl/weburl.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_partnerpage : public QObject
{
    Q_OBJECT

private slots:
    void charsetsAndLinkBack_data()
    {
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("namedBy"); // "header", "meta" or "" (detected)
        QTest::addColumn<bool>("linksBack");

        QTest::newRow("Shift_JIS by header, links back") << "Shift_JIS"_ba << u"header"_s << true;
        QTest::newRow("Shift_JIS by meta, no link back") << "Shift_JIS"_ba << u"meta"_s << false;
        QTest::newRow("Shift_JIS detected, links back") << "Shift_JIS"_ba << QString() << true;
        QTest::newRow("EUC-JP by header, no link back") << "EUC-JP"_ba << u"header"_s << false;
        QTest::newRow("EUC-JP by meta, links back") << "EUC-JP"_ba << u"meta"_s << true;
        QTest::newRow("EUC-JP detected, links back") << "EUC-JP"_ba << QString() << true;
        QTest::newRow("UTF-8 by meta, links back") << "UTF-8"_ba << u"meta"_s << true;
        QTest::newRow("UTF-8 detected, no link back") << "UTF-8"_ba << QString() << false;
    }

    // The owner's address holds Japanese, so a page read in the wrong charset cannot match it.
    void charsetsAndLinkBack()
    {
        QFETCH(QByteArray, charset);
        QFETCH(QString, namedBy);
        QFETCH(bool, linksBack);

        const QString own = u"http://own.example/相互リンク/"_s;
        const QString meta =
            namedBy == u"meta"_s ? u"<meta charset=\"%1\">"_s.arg(QString::fromLatin1(charset)) : QString();
        const QString page =
            u"<html><head>"_s + meta +
            u"<title>リンク集</title></head><body>"
            u"<p>いつもお世話になっております。こちらは私たちの友達のホームページを集めた一覧です。"
            u"日本語で書かれた個人のサイトばかりですが、どうぞ気軽に訪ねてみてください。</p>"_s +
            (linksBack ? u"<a href=\"http://own.example/相互リンク/\">お友達</a>"_s
                       : u"<a href=\"http://own.example/相互/\">別のページ</a>"_s) +
            u"</body></html>"_s;
        QStringEncoder encoder(charset.constData());
        QVERIFY(encoder.isValid());
        const QByteArray body = encoder.encode(page);
        const QByteArray contentType =
            namedBy == u"header"_s ? "text/html; charset=" + charset : "text/html"_ba;

        const QString decoded = decodePartnerPage(body, contentType);
        QCOMPARE(decoded, page);
        QCOMPARE(pageLinksBack(decoded, u"http://partner.example/", own, {}) == BacklinkStatus::Found,
                 linksBack);
    }

    // A page the parser reads only the start of (nesting or attributes no real page has) tells
    // nothing of what follows the cut; what comes before it counts.
    void pagesReadInPart_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("backlink");
        const QString link = u"<a href='http://own.example/'>back</a>"_s;
        QTest::newRow("link before nesting too deep") << link + u"<div>"_s.repeated(5000) << u"found"_s;
        QTest::newRow("link after nesting too deep") << u"<div>"_s.repeated(5000) + link << u"unknown"_s;
        QTest::newRow("link after an element of 100,000 attributes")
            << u"<p"_s + u" a"_s.repeated(100000) + u">"_s + link << u"unknown"_s;
        QTest::newRow("link after an element of many, but usual, attributes")
            << u"<p"_s + u" data-x=\"1 2 3\""_s.repeated(40) + u">"_s + link << u"found"_s;
        QTest::newRow("page read whole, no link") << u"<div>"_s.repeated(2000) << u"not-found"_s;
    }

    void pagesReadInPart()
    {
        QFETCH(QString, page);
        QFETCH(QString, backlink);
        QString reason;
        const BacklinkStatus found =
            pageLinksBack(page, u"http://partner.example/", u"http://own.example/", {}, &reason);
        QCOMPARE(statusKeyword(found), backlink);
        QCOMPARE(reason.isEmpty(), found != BacklinkStatus::Unknown);
    }

    // Whatever control characters a name holds, the command line's table and JSON show none as it
    // is: the table's only ones are its tabs and line ends, and the JSON reads back to the name.
    void controlCharactersEscaped()
    {
        QString name = u"名\u001B[2J"_s;
        for (char16_t c = 0; c < 0xA0; c = c == 0x1F ? 0x7F : c + 1)
            name += QChar(c);
        CheckResults results({composeEntry({u"http://"_s, name, u"http://"_s})});
        const QString table = checkTable(results);
        QVERIFY(table.contains(u"名\\u001B[2J"_s));
        for (const QChar c : table)
            QVERIFY((c.unicode() >= 0x20 && (c.unicode() < 0x7F || c.unicode() > 0x9F)) || c == u'\t' ||
                    c == u'\n');
        QCOMPARE(table.count(u'\t'), 5);

        const QByteArray json = checkJson(results);
        for (const char byte : json.chopped(1))
            QVERIFY(quint8(byte) >= 0x20 && quint8(byte) != 0x7F);
        QVERIFY(!QString::fromUtf8(json).contains(QRegularExpression(u"[\\x7F-\\x9F]"_s)));
        QCOMPARE(QJsonDocument::fromJson(json)["entries"][0]["name"].toString(), name);
    }

    // The command line's JSON: the keys of an entry, present only when known.
    void jsonShape()
    {
        CheckResults results({composeEntry({u"http://a.example/b.gif"_s, u"友達"_s, u"http://a.example/"_s}),
                              composeEntry({u"http://"_s, {}, u"http://"_s})});
        results.setUrlCheck(0, false,
                            {{}, UrlStatus::Redirected, 200, u"http://b.example/"_s, {}, {}, -1, -1, -1});
        results.setUrlCheck(0, true, {{}, UrlStatus::Ok, 200, {}, {}, u"gif"_s, 88, 31, 1234});
        results.setBacklink(0, BacklinkStatus::NotFound);
        const UrlCheck invalid{{}, UrlStatus::Invalid, 0, {}, u"why"_s, {}, -1, -1, -1};
        results.setUrlCheck(1, false, invalid);
        results.setUrlCheck(1, true, invalid);
        results.setChecked(0);
        results.setChecked(1);
        QCOMPARE(
            checkJson(results),
            R"({"entries":[{"backlink":{"status":"not-found"},"banner":{"bytes":1234,"format":"gif","height":31,)"
            R"("httpStatus":200,"status":"ok","url":"http://a.example/b.gif","usualSize":true,"width":88},)"
            R"("index":1,"name":"友達","site":{"finalUrl":"http://b.example/","httpStatus":200,)"
            R"("status":"redirected","url":"http://a.example/"}},{"backlink":{"status":"skipped"},)"
            R"("banner":{"error":"why","status":"invalid","url":"http://"},"index":2,"name":"",)"
            R"("site":{"error":"why","status":"invalid","url":"http://"}}],"summary":{"entries":2,"problems":2}})"
            "\n"_ba);
    }

    // Web addresses as the link check compares and resolves them.
    void sameAddress_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("identical") << u"http://a.jp/x.html"_s << u"http://a.jp/x.html"_s << true;
        QTest::newRow("scheme and host case") << u"HTTP://WWW.A.JP/x"_s << u"http://www.a.jp/x"_s << true;
        QTest::newRow("path case counts") << u"http://a.jp/X"_s << u"http://a.jp/x"_s << false;
        QTest::newRow("default http port") << u"http://a.jp:80/"_s << u"http://a.jp/"_s << true;
        QTest::newRow("default https port") << u"https://a.jp:443/"_s << u"https://a.jp/"_s << true;
        QTest::newRow("other port") << u"http://a.jp:8080/"_s << u"http://a.jp/"_s << false;
        QTest::newRow("empty path") << u"http://a.jp"_s << u"http://a.jp/"_s << true;
        QTest::newRow("dot segments") << u"http://a.jp/b/../c/./d"_s << u"http://a.jp/c/d"_s << true;
        QTest::newRow("fragment") << u"http://a.jp/#top"_s << u"http://a.jp/"_s << true;
        QTest::newRow("query counts") << u"http://a.jp/?p=1"_s << u"http://a.jp/"_s << false;
        QTest::newRow("blanks around") << u" http://a.jp/ "_s << u"http://a.jp/"_s << true;
        QTest::newRow("percent case") << u"http://a.jp/%7euser"_s << u"http://a.jp/~user"_s << true;
        QTest::newRow("scheme counts") << u"https://a.jp/"_s << u"http://a.jp/"_s << false;
        QTest::newRow("trailing slash counts") << u"http://a.jp/dir"_s << u"http://a.jp/dir/"_s << false;
        QTest::newRow("idn and punycode") << u"http://日本.jp/"_s << u"http://xn--wgv71a.jp/"_s << true;
        QTest::newRow("start value") << u"http://"_s << u"http://"_s << false;
        QTest::newRow("relative") << u"/x"_s << u"/x"_s << false;
        QTest::newRow("other scheme") << u"ftp://a.jp/"_s << u"ftp://a.jp/"_s << false;
        QTest::newRow("javascript") << u"javascript:void(0)"_s << u"javascript:void(0)"_s << false;
    }

    void sameAddress()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(siteloom::sameWebUrl(a, b), same);
        QCOMPARE(siteloom::sameWebUrl(b, a), same);
        if (same)
            QVERIFY(siteloom::isWebUrl(a) && siteloom::isWebUrl(b));
    }

    void resolvesAgainstThePage()
    {
        const QString page = u"http://a.jp/dir/page.html"_s;
        QCOMPARE(siteloom::resolveUrl(page, u"img/b.gif"), u"http://a.jp/dir/img/b.gif"_s);
        QCOMPARE(siteloom::resolveUrl(page, u"../b.gif"), u"http://a.jp/b.gif"_s);
        QCOMPARE(siteloom::resolveUrl(page, u"//c.jp/x"), u"http://c.jp/x"_s);
        QCOMPARE(siteloom::resolveUrl(page, u"https://d.jp/"), u"https://d.jp/"_s);
        QCOMPARE(siteloom::resolveUrl(u"", u"https://d.jp/"), u"https://d.jp/"_s);
        QCOMPARE(siteloom::resolveUrl(u"", u"img/b.gif"), QString());
    }
};

QTEST_GUILESS_MAIN(tst_partnerpage)
#include "tst_partnerpage.moc"
