#include "linkcheck/checkresult.h"
#include "linkcheck/checkresultmodel.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace siteloom;

// The link check window's table without the window: what a row shows, and which rows
// 「問題のあるものだけ表示」 keeps.
class tst_checkresultmodel : public QObject
{
    Q_OBJECT

private slots:
    void rowsAndFilter_data()
    {
        QTest::addColumn<QString>("answers"); // site, banner and link back, as keywords; "" for unchecked
        QTest::addColumn<QString>("cells");   // site|banner|link back, as the table shows them
        QTest::addColumn<bool>("problem");    // kept when only the problems show
        const auto row = [](const char* name, const QString& answers, const QString& cells, bool problem) {
            QTest::newRow(name) << answers << cells << problem;
        };
        row("all well", u"ok ok found"_s, u"正常|正常|あり"_s, false);
        row("owner's address not given", u"ok ok skipped"_s, u"正常|正常|確認せず"_s, false);
        row("site moved", u"redirected ok found"_s, u"要更新（移転）|正常|あり"_s, true);
        row("site gone", u"broken ok unknown"_s, u"リンク切れ|正常|確認できず"_s, true);
        row("only the banner gone", u"ok broken found"_s, u"正常|リンク切れ|あり"_s, true);
        row("only the banner no image", u"ok not-image found"_s, u"正常|画像でない|あり"_s, true);
        row("only the link back missing", u"ok ok not-found"_s, u"正常|正常|相互リンクなし"_s, true);
        row("only the page unread", u"ok ok unknown"_s, u"正常|正常|確認できず"_s, true);
        row("not checked yet", QString(), u"||"_s, false);
    }

    void rowsAndFilter()
    {
        QFETCH(QString, answers);
        QFETCH(QString, cells);
        QFETCH(bool, problem);
        // The row under test between two rows that are well.
        CheckResults results({u"a.gif：友達：http://a.example/"_s, u"b.gif：相手：http://b.example/"_s,
                              u"c.gif：仲間：http://c.example/"_s});
        const auto urlStatus = [](const QString& keyword) {
            for (int status = 0; status <= int(UrlStatus::Placeholder); ++status) {
                if (statusKeyword(UrlStatus(status)) == keyword)
                    return UrlStatus(status);
            }
            return UrlStatus::Invalid;
        };
        const QStringList words = answers.split(u' ');
        for (int row = 0; row < 3; ++row) {
            if (row == 1 && answers.isEmpty())
                continue;
            const bool well = row != 1;
            for (const bool banner : {false, true}) {
                UrlCheck check;
                check.status = well ? UrlStatus::Ok : urlStatus(words[banner ? 1 : 0]);
                check.httpStatus = 200;
                results.setUrlCheck(row, banner, check);
            }
            BacklinkStatus backlink = BacklinkStatus::Found;
            for (int status = 0; !well && status <= int(BacklinkStatus::Skipped); ++status) {
                if (statusKeyword(BacklinkStatus(status)) == words[2])
                    backlink = BacklinkStatus(status);
            }
            results.setBacklink(row, backlink);
            results.setChecked(row);
        }
        CheckResultModel model(results);
        model.endNewCheck({0, 1, 2});
        ProblemFilter filter;
        filter.setSourceModel(&model);
        QStringList shown;
        for (int column = CheckResultModel::SiteColumn; column <= CheckResultModel::BacklinkColumn; ++column)
            shown.append(model.index(1, column).data().toString());
        QCOMPARE(shown.join(u'|'), cells);
        QCOMPARE(model.index(1, CheckResultModel::NameColumn).data().toString(), u"相手"_s);

        QCOMPARE(filter.rowCount(), 3);
        filter.setProblemsOnly(true);
        QCOMPARE(filter.rowCount(), problem ? 1 : 0);
        if (problem)
            QCOMPARE(filter.index(0, CheckResultModel::NumberColumn).data().toString(), u"2"_s);
        filter.setProblemsOnly(false);
        QCOMPARE(filter.rowCount(), 3);
    }
};

QTEST_MAIN(tst_checkresultmodel)
#include "tst_checkresultmodel.moc"
