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
#include <QTableView>
#include <QTemporaryDir>
#include <QUndoStack>

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

    // Rows fill in as the answers come, the filter hides what is fine, the CSV is written, and the
    // list stays as it was.
    void rowsFillIn()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        LinkCheckWindow* check =
            openCheck(window, {{u"/ok"_s, u"/b.png"_s}, {u"/gone"_s, u"/b.png"_s}, {u"/slow"_s, u"/gone"_s}});
        QVERIFY2(check, "linkCheckWindow did not open");
        const PageInputs before = window.pageInputs();
        QCOMPARE(check->accessibleDescription(), u"linkCheckWindow"_s);
        auto* table = control<QTableView>(check, u"resultTable"_s);
        auto* progress = control<QProgressBar>(check, u"checkProgress"_s);
        const auto cells = [table](int row) {
            QStringList texts;
            for (int column = 0; column < 5; ++column)
                texts.append(table->model()->index(row, column).data().toString());
            return texts.join(u'|');
        };
        QCOMPARE(table->model()->rowCount(), 3);
        QCOMPARE(table->model()->headerData(4, Qt::Horizontal).toString(), u"相互リンク"_s);

        QSignalSpy finished(&check->checker(), &LinkChecker::finished);
        QTRY_COMPARE(progress->value(), 2);
        QCOMPARE(cells(2), u"3|サイト|||"_s); // the slow site is still out
        QCOMPARE(cells(0), u"1|サイト|正常|正常|確認せず"_s);
        QCOMPARE(cells(1), u"2|サイト|リンク切れ|正常|確認せず"_s);
        QVERIFY(finished.wait(5000));
        QCOMPARE(cells(2), u"3|サイト|正常|リンク切れ|確認せず"_s);
        QCOMPARE(progress->value(), 3);

        control<QCheckBox>(check, u"problemsOnly"_s)->setChecked(true);
        QCOMPARE(QStringList({cells(0), cells(1)}), QStringList({u"2|サイト|リンク切れ|正常|確認せず"_s,
                                                                 u"3|サイト|正常|リンク切れ|確認せず"_s}));
        QCOMPARE(table->model()->rowCount(), 2);
        control<QCheckBox>(check, u"problemsOnly"_s)->setChecked(false);
        QCOMPARE(table->model()->rowCount(), 3);

        const QString csv = m_dir.filePath(u"check.csv"_s);
        platform.fileNames.enqueue(csv);
        control<QPushButton>(check, u"saveButton"_s)->click();
        const QList<QByteArray> lines = readBytes(csv).split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0].startsWith("\xEF\xBB\xBF番号,"));
        QVERIFY(lines[2].startsWith("2,サイト,リンク切れ,http://"));
        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(window.pageInputs(), before);
    }

    // The entry of a result row is found again however the list changed after the check began; one
    // no longer in the list is named in a message and nothing is selected.
    void doubleClickSelectsTheSameEntry_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("selected"); // -1: the entry is gone
        QTest::newRow("list as it was") << u""_s << 2;
        QTest::newRow("entry above deleted") << u"delete 0"_s << 1;
        QTest::newRow("entry moved up") << u"up 2"_s << 1;
        QTest::newRow("deletion undone") << u"delete 2,undo"_s << 2;
        QTest::newRow("same line twice, the nearer taken") << u"add C,delete 0,delete 0"_s << 1;
        QTest::newRow("entry deleted") << u"delete 2"_s << -1;
        QTest::newRow("another list loaded") << u"load"_s << -1;
    }

    void doubleClickSelectsTheSameEntry()
    {
        QFETCH(QString, edit);
        QFETCH(int, selected);

        FakePlatform platform;
        main1 window(platform);
        window.show();
        LinkCheckWindow* check =
            openCheck(window, {{u"/ok"_s, u"/b.png"_s}, {u"/gone"_s, u"/b.png"_s}, {u"/ok"_s, u"/gone"_s}},
                      {u"A"_s, u"B"_s, u"C"_s});
        QVERIFY(check);
        QSignalSpy finished(&check->checker(), &LinkChecker::finished);
        QVERIFY(finished.wait(5000));
        const QStringList lines = window.pageInputs().entries;
        auto* list = control<QAbstractItemView>(&window, u"List1"_s);
        for (const QString& step : edit.split(u',', Qt::SkipEmptyParts)) {
            const QStringList words = step.split(u' ');
            if (words[0] == u"undo"_s) {
                window.undoStack()->undo();
            } else if (words[0] == u"load"_s) {
                ListFileContent content;
                content.entries.emplace(
                    {composeEntry({m_server.url(u"/b.png"_s), u"D"_s, m_server.url(u"/ok"_s)})});
                window.applyListFileContent(content, u"ファイル読込"_s);
            } else if (words[0] == u"add"_s) {
                window.appendEntries({lines[2]}, u"追加"_s); // the checked row's line again
            } else {
                window.selectEntry(words[1].toInt());
                (words[0] == u"up"_s ? window.Command5 : window.Command3)->click();
            }
        }
        platform.messages.clear();
        window.selectEntry(0);

        auto* table = control<QTableView>(check, u"resultTable"_s);
        const QRect cell = table->visualRect(table->model()->index(2, 1));
        // A view takes a double-click only after the press that began it.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        if (selected >= 0) {
            QCOMPARE(list->currentIndex().row(), selected);
            QCOMPARE(window.pageInputs().entries[selected], lines[2]);
            QVERIFY(platform.messages.isEmpty());
        } else {
            QCOMPARE(list->currentIndex().row(), 0);
            QCOMPARE(
                platform.messageTexts(),
                QStringList(
                    {u"「C」はもうリストにありません。リンク確認のあとで削除されたか、書き換えられています。"_s}));
        }
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
            QCOMPARE(control<QTableView>(check, u"resultTable"_s)->model()->index(1, 5).data().toString(),
                     u"中止したため確認していません"_s);
            platform.answers.enqueue(QMessageBox::Discard); // the loaded list is not saved again
            window.close();
            QTRY_VERIFY(!check || !check->isVisible());
        }
        QVERIFY(!check);
    }

private:
    // The main window with these entries (site path on the test server, banner path) loaded from
    // a list file, and the check window its menu entry opened.
    LinkCheckWindow* openCheck(main1& window, const QList<std::pair<QString, QString>>& entries,
                               const QStringList& names = {})
    {
        ListFileContent content;
        content.entries.emplace();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const auto& [site, banner] = entries[i];
            content.entries->append(
                composeEntry({m_server.url(banner), names.value(i, u"サイト"_s), m_server.url(site)}));
        }
        window.applyListFileContent(content, u"ファイル読込"_s);
        window.checkAction->trigger();
        return window.findChild<LinkCheckWindow*>(u"linkCheckWindow"_s);
    }

    TestHttpServer m_server;
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_linkcheck_window)
#include "tst_linkcheck_window.moc"
