#include "html/htmldocument.h"

#include <QTest>

using namespace Qt::StringLiterals;
using siteloom::HtmlDocument;

class tst_htmldocument : public QObject
{
    Q_OBJECT

private slots:
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
    }

    void keepsTheTree()
    {
        // A bookmarks file: folders are an H3 followed by a DL, and the parser closes DT and P itself.
        const HtmlDocument document(u"<DL><p><DT><H3>F</H3>\n<DL><p><DT><A HREF=\"1\">one</A>\n</DL><p>"
                                    u"<DT><A HREF=\"2\">two</A><script>x</script></DL>"_s);
        const QList<int> lists = document.elements(u"dl");
        QCOMPARE(lists.size(), 2);
        QCOMPARE(document.elements(u"a", lists[1]).size(), 1);
        QCOMPARE(document.elements(u"a", lists[0]).size(), 2);
        const int folderItem = document.nodes()[lists[1]].parent;
        QCOMPARE(document.nodes()[folderItem].tag, u"dt"_s);
        QCOMPARE(document.text(document.elements(u"h3")[0]), u"F"_s);
        QVERIFY(!document.text(lists[0]).contains(u'x'));
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

QTEST_GUILESS_MAIN(tst_htmldocument)
#include "tst_htmldocument.moc"
