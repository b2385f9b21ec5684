#include "weburl/weburl.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_weburl : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(tst_weburl)
#include "tst_weburl.moc"
