#include "fakeplatform.h"
#include "guitest.h"
#include "main1/main1.h"
#include "testhttpserver.h"
#include "updates/updatesmodel.h"
#include "updates/updateswindow.h"

#include <QAction>
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

using namespace Qt::StringLiterals;
using namespace siteloom;

// The update check's window over a loopback site that changes once: opened from the main window's
// menu, it checks at once; a second check shows the changed site first and marked, the filter
// keeps only it, and a double-click hands its feed item to the browser.
class tst_updates_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    void showsUpdatesFirst()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        int round = 1;
        server.answerWith([&round](const TestHttpServer::Request& request) {
            using Response = TestHttpServer::Response;
            if (request.path == u"/news/")
                return Response::of(200, "<link rel=alternate type=application/rss+xml href=rss.xml>",
                                    "text/html");
            if (request.path == u"/news/rss.xml")
                return Response::of(200,
                                    "<rss><channel><item><title>item " + QByteArray::number(round) +
                                        "</title><link>http://127.0.0.1/item</link><pubDate>0" +
                                        QByteArray::number(round) +
                                        " Jan 2024 00:00:00 GMT</pubDate></item>"
                                        "</channel></rss>",
                                    "application/rss+xml");
            return Response::of(200, "<p>still</p>", "text/html");
        });
        FakePlatform platform;
        main1 window(platform);
        setListRows(window,
                    {u"：静か："_s + server.url(u"/quiet/"_s), u"：日記："_s + server.url(u"/news/"_s)});
        QCOMPARE(window.updatesAction->shortcut(), QKeySequence(u"Ctrl+U"_s));
        window.updatesAction->trigger();
        auto* updates = window.findChild<UpdatesWindow*>(u"updatesWindow"_s);
        QVERIFY(updates);
        QVERIFY(!updates->isModal());
        QCOMPARE(control<QSpinBox>(updates, u"updatesTimer"_s)->value(), 0);
        QVERIFY(!updates->timer.isActive());
        QTRY_VERIFY(!updates->checker().isRunning());
        auto* table = control<QTableView>(updates, u"updatesTable"_s);
        QCOMPARE(table->model()->index(1, 1).data().toString(), u"初回"_s);
        QCOMPARE(control<QProgressBar>(updates, u"updatesProgress"_s)->format(), u"確認済み 2/2"_s);

        round = 2;
        window.updatesAction->trigger();
        QTRY_VERIFY(!updates->checker().isRunning());
        QCOMPARE(table->model()->index(0, 0).data().toString(), u"日記"_s);
        QCOMPARE(table->model()->index(0, 1).data().toString(), u"更新"_s);
        QCOMPARE(table->model()->index(0, 3).data().toString(), u"item 2"_s);
        QVERIFY(table->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
        QCOMPARE(table->model()->index(1, 1).data().toString(), u"変化なし"_s);
        control<QCheckBox>(updates, u"updatedOnly"_s)->setChecked(true);
        QCOMPARE(table->model()->rowCount(), 1);
        emit table->activated(table->model()->index(0, 0));
        QCOMPARE(platform.browserUrls, QList<QUrl>{QUrl(u"http://127.0.0.1/item"_s)});

        // The timer runs only while the window is open.
        control<QSpinBox>(updates, u"updatesTimer"_s)->setValue(3);
        QCOMPARE(updates->timer.interval(), 10800000);
        updates->close();
        QVERIFY(!updates->timer.isActive());
    }
};

QTEST_MAIN(tst_updates_window)
#include "tst_updates_window.moc"
