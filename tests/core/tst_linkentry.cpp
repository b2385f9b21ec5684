#include "main/linkentry.h"
#include "text/trim.h"

#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_linkentry : public QObject
{
    Q_OBJECT

private slots:
    void splitEntry_data();
    void splitEntry();
    void composedEntryReadsBack_data();
    void composedEntryReadsBack();
    void trimBlanks_data();
    void trimBlanks();
    void defaultBannerIsAnAbsoluteGifUrl();
};

void tst_linkentry::splitEntry_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("bannerUrl");
    QTest::addColumn<QString>("siteName");
    QTest::addColumn<QString>("siteUrl");

    QTest::newRow("three fields") << u"http://a.jp/b.gif：そよか：http://a.jp/"_s << u"http://a.jp/b.gif"_s
                                  << u"そよか"_s << u"http://a.jp/"_s;
    QTest::newRow("ascii colons are ordinary characters")
        << u"http://a.jp:8080/b.gif：x:y：http://a.jp:80/"_s << u"http://a.jp:8080/b.gif"_s << u"x:y"_s
        << u"http://a.jp:80/"_s;
    QTest::newRow("site url takes further separators")
        << u"b：n：http://a.jp/：x：y"_s << u"b"_s << u"n"_s << u"http://a.jp/：x：y"_s;
    QTest::newRow("site name holding separator")
        << u"b：前半：後半：http://a.jp/"_s << u"b"_s << u"前半"_s << u"後半：http://a.jp/"_s;
    QTest::newRow("site name holding line break markup")
        << u"b：上の行<BR>下の行：u"_s << u"b"_s << u"上の行<BR>下の行"_s << u"u"_s;
    QTest::newRow("look-alike colons are no separators")
        << u"b﹕x︓y：n：u"_s << u"b﹕x︓y"_s << u"n"_s << u"u"_s;
    QTest::newRow("spaces around fields kept") << u" b　： n ：u "_s << u" b　"_s << u" n "_s << u"u "_s;
    QTest::newRow("all fields empty") << u"：："_s << QString() << QString() << QString();
    QTest::newRow("no separator") << u"http://a.jp/only"_s << u"http://a.jp/only"_s << QString() << QString();
    QTest::newRow("one separator") << u"b：name"_s << u"b"_s << u"name"_s << QString();
    QTest::newRow("one separator at the end") << u"b："_s << u"b"_s << QString() << QString();
    QTest::newRow("empty line") << QString() << QString() << QString() << QString();
}

void tst_linkentry::splitEntry()
{
    QFETCH(QString, line);
    QFETCH(QString, bannerUrl);
    QFETCH(QString, siteName);
    QFETCH(QString, siteUrl);
    const LinkEntry entry = siteloom::splitEntry(line);
    QCOMPARE(entry.bannerUrl, bannerUrl);
    QCOMPARE(entry.siteName, siteName);
    QCOMPARE(entry.siteUrl, siteUrl);
}

void tst_linkentry::composedEntryReadsBack_data()
{
    QTest::addColumn<QString>("bannerUrl");
    QTest::addColumn<QString>("siteName");
    QTest::addColumn<QString>("siteUrl");
    QTest::addColumn<QString>("line");

    QTest::newRow("plain") << u"http://a.jp/b.gif"_s << u"そよかダイビングＷＥＢ"_s << u"http://a.jp/"_s
                           << u"http://a.jp/b.gif：そよかダイビングＷＥＢ：http://a.jp/"_s;
    QTest::newRow("no spaces added") << QString() << u" "_s << QString() << u"： ："_s;
    QTest::newRow("site url holding separator")
        << u"b"_s << u"n"_s << u"http://a.jp/？q=１：２"_s << u"b：n：http://a.jp/？q=１：２"_s;
}

void tst_linkentry::composedEntryReadsBack()
{
    QFETCH(QString, bannerUrl);
    QFETCH(QString, siteName);
    QFETCH(QString, siteUrl);
    QFETCH(QString, line);
    const LinkEntry entry{bannerUrl, siteName, siteUrl};
    QCOMPARE(composeEntry(entry), line);
    QCOMPARE(siteloom::splitEntry(line), entry);
}

void tst_linkentry::trimBlanks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");

    QTest::newRow("ascii spaces") << u"  http://a.jp/  "_s << u"http://a.jp/"_s;
    QTest::newRow("ideographic spaces") << u"　http://a.jp/　　"_s << u"http://a.jp/"_s;
    QTest::newRow("mixed spaces") << u" 　 http://a.jp/　 "_s << u"http://a.jp/"_s;
    QTest::newRow("inner spaces kept") << u" リ　ン　ク 集 "_s << u"リ　ン　ク 集"_s;
    QTest::newRow("tab kept") << u"\thttp://a.jp/\t"_s << u"\thttp://a.jp/\t"_s;
    QTest::newRow("no-break space kept") << u"\u00A0x\u00A0"_s << u"\u00A0x\u00A0"_s;
    QTest::newRow("line ends kept") << u"x\r\n"_s << u"x\r\n"_s;
    QTest::newRow("only blanks") << u" 　 　"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_linkentry::trimBlanks()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(siteloom::trimBlanks(text), trimmed);
}

// The add button replaces a banner field shorter than 8 characters by the default; a shorter
// default would be refused by the very check it is meant to pass.
void tst_linkentry::defaultBannerIsAnAbsoluteGifUrl()
{
    const QString banner = QString::fromUtf16(defaultBannerUrl);
    QVERIFY(banner.size() >= 8);
    QVERIFY(!banner.contains(linkSeparator));
    const QUrl url(banner, QUrl::StrictMode);
    QVERIFY(url.isValid());
    QCOMPARE(url.scheme(), u"http"_s);
    QCOMPARE(url.fileName(), u"whiteball.gif"_s);
}

QTEST_GUILESS_MAIN(tst_linkentry)
#include "tst_linkentry.moc"
