#include "linkentry/linkentry.h"
#include "text/trim.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_linkentry : public QObject
{
    Q_OBJECT

private slots:
    // A line splits into its fields, and a line of two or more separators is composed back from them.
    void splitAndCompose_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<LinkEntry>("entry");
        QTest::newRow("three fields")
            << u"http://a.jp/b.gif：そよかＷＥＢ：http://a.jp/"_s
            << LinkEntry{u"http://a.jp/b.gif"_s, u"そよかＷＥＢ"_s, u"http://a.jp/"_s};
        QTest::newRow("ascii colons are ordinary characters")
            << u"http://a.jp:8080/b.gif：x:y：http://a.jp:80/"_s
            << LinkEntry{u"http://a.jp:8080/b.gif"_s, u"x:y"_s, u"http://a.jp:80/"_s};
        QTest::newRow("site name holding separator")
            << u"b：前半：後半：http://a.jp/"_s << LinkEntry{u"b"_s, u"前半"_s, u"後半：http://a.jp/"_s};
        QTest::newRow("look-alike colons are no separators")
            << u"b﹕x︓y：n：u"_s << LinkEntry{u"b﹕x︓y"_s, u"n"_s, u"u"_s};
        QTest::newRow("spaces around fields kept")
            << u" b　： n ：u "_s << LinkEntry{u" b　"_s, u" n "_s, u"u "_s};
        QTest::newRow("all fields empty") << u"：："_s << LinkEntry{};
        QTest::newRow("no separator") << u"http://a.jp/only"_s << LinkEntry{u"http://a.jp/only"_s, {}, {}};
        QTest::newRow("one separator") << u"b：name"_s << LinkEntry{u"b"_s, u"name"_s, {}};
        QTest::newRow("empty line") << QString() << LinkEntry{};
    }

    void splitAndCompose()
    {
        QFETCH(QString, line);
        QFETCH(LinkEntry, entry);
        QCOMPARE(splitEntry(line), entry);
        if (line.count(linkSeparator) >= 2)
            QCOMPARE(composeEntry(entry), line);
    }

    // Only U+0020 and U+3000 are blanks.
    void trimBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("both blanks, mixed") << u" 　 http://a.jp/　 "_s << u"http://a.jp/"_s;
        QTest::newRow("inner spaces kept") << u" リ　ン　ク 集 "_s << u"リ　ン　ク 集"_s;
        QTest::newRow("tab and no-break space kept") << u"\t\u00A0x\u00A0\t"_s << u"\t\u00A0x\u00A0\t"_s;
        QTest::newRow("only blanks") << u" 　 　"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void trimBlanks()
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(siteloom::trimBlanks(text), trimmed);
    }
};

QTEST_GUILESS_MAIN(tst_linkentry)
#include "tst_linkentry.moc"
