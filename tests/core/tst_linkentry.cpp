#include "find/findtext.h"
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
    // Finding an entry of the list by the text the find field folds.
    void matchesFoldedText_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        QTest::newRow("full-width letters in ASCII text") << u"ＷＥＢ"_s << u"my web page"_s << true;
        QTest::newRow("ASCII in full-width letters") << u"web"_s << u"そよかＷＥＢ"_s << true;
        QTest::newRow("full-width digits") << u"２０２６"_s << u"日記2026"_s << true;
        QTest::newRow("half-width katakana, voiced marks joined")
            << u"ﾀﾞｲﾋﾞﾝｸﾞ"_s << u"そよかダイビング"_s << true;
        QTest::newRow("full-width katakana in half-width") << u"ガーデン"_s << u"ｶﾞｰﾃﾞﾝ倶楽部"_s << true;
        QTest::newRow("full-width colon in an entry") << u"a:b"_s << u"a：b：c"_s << true;
        QTest::newRow("ideographic space is a space") << u"a　b"_s << u"xa by"_s << true;
        QTest::newRow("hiragana is not katakana") << u"だいびんぐ"_s << u"ダイビング"_s << false;
        QTest::newRow("non-ASCII needle in ASCII text") << u"ウェブ"_s << u"web"_s << false;
        QTest::newRow("empty needle matches nothing") << QString() << u"web"_s << false;
    }

    void matchesFoldedText()
    {
        QFETCH(QString, needle);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        const FoldedMatcher matcher(needle);
        QCOMPARE(!matcher.isEmpty() && matcher.matches(text), matches);
    }

    void findsRoundTheList_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("backward");
        QTest::addColumn<int>("found");
        // Rows: x, a, x, a; the needle is "A".
        QTest::newRow("forward from a match") << 1 << false << 1;
        QTest::newRow("forward past the end goes round") << 4 << false << 1;
        QTest::newRow("forward to the last row") << 2 << false << 3;
        QTest::newRow("backward from before the first row goes round") << -1 << true << 3;
        QTest::newRow("backward") << 2 << true << 1;
    }

    void findsRoundTheList()
    {
        QFETCH(int, from);
        QFETCH(bool, backward);
        QFETCH(int, found);
        const QStringList rows{u"x"_s, u"a"_s, u"x"_s, u"ａ"_s};
        const auto row = [&rows](qsizetype at) { return QStringView(rows[at]); };
        QCOMPARE(findRow(rows.size(), row, FoldedMatcher(u"A"), from,
                         backward ? FindDirection::Backward : FindDirection::Forward),
                 found);
        QCOMPARE(findRow(rows.size(), row, FoldedMatcher(u"z"), from, FindDirection::Forward), -1);
    }
};

QTEST_GUILESS_MAIN(tst_linkentry)
#include "tst_linkentry.moc"
