#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "linkcheck/linkcheckwindow.h"
#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "main1/main1.h"
#include "testhttpserver.h"

#include <QAbstractItemView>
#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_linkcheck_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareGuiTest();
        QVERIFY(m_server.listen());
        using Response = TestHttpServer::Response;
        m_server.answer(u"/ok"_s, Response::of(200, "<p>"));
        m_server.answer(u"/slow"_s, Response{200, {}, "<p>", 300, false, false});
        m_server.answer(u"/stall"_s, Response::stalling());
        QImage banner(88, 31, QImage::Format_RGB32);
        banner.fill(Qt::white);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && banner.save(&buffer, "PNG"));
        m_server.answer(u"/b.png"_s, Response::of(200, png));
    }

    // Rows fill in as the answers come, the filter hides what is fine, a double-click selects the
    // entry in the main window, the CSV is written, and the list stays as it was.
    void rowsFillInAndDoubleClickSelects()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        LinkCheckWindow* check = openCheck(
            window, {{u"/ok"_s, u"/b.png"_s}, {u"/gone"_s, u"/b.png"_s}, {u"/slow"_s, u"/b.png"_s}});
        QVERIFY2(check, "linkCheckWindow did not open");
        const PageInputs before = window.pageInputs();
        QCOMPARE(check->accessibleDescription(), u"linkCheckWindow"_s);
        auto* table = control<QTableWidget>(check, u"resultTable"_s);
        auto* progress = control<QProgressBar>(check, u"checkProgress"_s);
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->horizontalHeaderItem(4)->text(), u"相互リンク"_s);

        QSignalSpy finished(&check->checker(), &LinkChecker::finished);
        QTRY_COMPARE(progress->value(), 2);
        QVERIFY(table->item(2, 2) == nullptr); // the slow site is still out
        QCOMPARE(table->item(0, 2)->text(), u"正常"_s);
        QCOMPARE(table->item(1, 2)->text(), u"リンク切れ"_s);
        QVERIFY(finished.wait(5000));
        QCOMPARE(table->item(2, 2)->text(), u"正常"_s);
        QCOMPARE(table->item(2, 3)->text(), u"正常"_s);
        QCOMPARE(progress->value(), 3);

        control<QCheckBox>(check, u"problemsOnly"_s)->setChecked(true);
        QCOMPARE(QList<bool>({table->isRowHidden(0), table->isRowHidden(1), table->isRowHidden(2)}),
                 QList<bool>({true, false, true}));
        control<QCheckBox>(check, u"problemsOnly"_s)->setChecked(false);

        const QRect cell = table->visualItemRect(table->item(2, 1));
        // A view takes a double-click only after the press that began it.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(control<QAbstractItemView>(&window, u"List1"_s)->currentIndex().row(), 2);

        const QString csv = m_dir.filePath(u"check.csv"_s);
        platform.fileNames.enqueue(csv);
        control<QPushButton>(check, u"saveButton"_s)->click();
        const QList<QByteArray> lines = readBytes(csv).split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[2].startsWith("2,サイト,リンク切れ,http://"));
        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(window.pageInputs(), before);
    }

    void stopEndsAtOnce()
    {
        FakePlatform platform;
        QPointer<LinkCheckWindow> check;
        {
            main1 window(platform);
            window.show();
            check = openCheck(window, {{u"/ok"_s, u"/b.png"_s}, {u"/stall"_s, u"/b.png"_s}});
            QVERIFY(check);
            QSignalSpy finished(&check->checker(), &LinkChecker::finished);
            auto* stop = control<QPushButton>(check, u"stopButton"_s);
            QTRY_COMPARE(control<QProgressBar>(check, u"checkProgress"_s)->value(), 1);
            stop->click();
            QCOMPARE(finished.size(), 1);
            QVERIFY(!stop->isEnabled());
            QVERIFY(control<QLabel>(check, u"summaryLabel"_s)->text().startsWith(u"中止しました"_s));
            QCOMPARE(control<QTableWidget>(check, u"resultTable"_s)->item(1, 5)->text(),
                     u"中止したため確認していません"_s);
            window.close();
            QTRY_VERIFY(!check || !check->isVisible());
        }
        QVERIFY(!check);
    }

private:
    // The main window with these entries (site path on the test server, banner path) loaded from
    // a list file, and the check window its menu entry opened.
    LinkCheckWindow* openCheck(main1& window, const QList<std::pair<QString, QString>>& entries)
    {
        ListFileContent content;
        content.entries.emplace();
        for (const auto& [site, banner] : entries)
            content.entries->append(composeEntry({m_server.url(banner), u"サイト"_s, m_server.url(site)}));
        window.applyListFileContent(content, u"ファイル読込"_s);
        window.checkAction->trigger();
        return window.findChild<LinkCheckWindow*>(u"linkCheckWindow"_s);
    }

    TestHttpServer m_server;
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_linkcheck_window)
#include "tst_linkcheck_window.moc"
