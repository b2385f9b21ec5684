#include "find/findtext.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_findtext : public QObject
{
    Q_OBJECT

private slots:
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
        QCOMPARE(findRow(rows, FoldedMatcher(u"A"), from,
                         backward ? FindDirection::Backward : FindDirection::Forward),
                 found);
        QCOMPARE(findRow(rows, FoldedMatcher(u"z"), from, FindDirection::Forward), -1);
    }
};

QTEST_GUILESS_MAIN(tst_findtext)
#include "tst_findtext.moc"
