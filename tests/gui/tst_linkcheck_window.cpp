#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "linkcheck/linkcheckwindow.h"
#include "linkentry/linkentry.h"
#include "listfile/listfile.h"
#include "main1/main1.h"
#include "testhttpserver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
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
        for (const QString& path : {u"/moved"_s, u"/moved2"_s})
            m_server.answer(path, Response{301, {{"Location", m_server.url(u"/ok"_s).toUtf8()}}, {}});
        QImage banner(88, 31, QImage::Format_RGB32);
        banner.fill(Qt::white);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && banner.save(&buffer, "PNG"));
        m_server.answer(u"/b.png"_s, Response::of(200, png));
    }

    // Rows fill in as the answers come, the CSV is written, and the list stays as it was (which rows
    // the filter keeps: tst_checkresultmodel).
    void rowsFillIn()
    {
        FakePlatform platform;
        main1 window(platform);
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
        QCOMPARE(
            control<QLabel>(check, u"summaryLabel"_s)->text(),
            u"確認が終わりました：リンク切れ 2 件、要更新 0 件、相互リンクなし 0 件、確認できず 0 件。"_s);
        QCOMPARE(table->model()->index(1, 5).data().toString(),
                 u"ページが見つかりません。サイトが閉鎖されたか、アドレスが変わった可能性があります。"_s);
        QVERIFY(table->model()->index(1, 2).data(Qt::ToolTipRole).toString().contains(u"HTTP 404"_s));

        const QString csv = m_dir.filePath(u"check.csv"_s);
        platform.fileNames.enqueue(csv);
        control<QPushButton>(check, u"saveButton"_s)->click();
        const QList<QByteArray> lines = readBytes(csv).split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0].startsWith("\xEF\xBB\xBF番号,"));
        QVERIFY(lines[2].startsWith("2,サイト,リンク切れ,http://"));
        QCOMPARE(platform.messageTexts(),
                 QStringList({u"リンク確認の結果を保存しました。\n"_s + QDir::toNativeSeparators(csv)}));
        QCOMPARE(window.pageInputs(), before);
    }

    // The entry of a result row is found again however the list changed after the check began; one
    // no longer in the list is named in a message and nothing is selected.
    void doubleClickSelectsTheSameEntry_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("selected"); // -1: the entry is gone
        QTest::addColumn<bool>("stale");   // some result's entry is gone
        QTest::newRow("list as it was") << u""_s << 2 << false;
        QTest::newRow("entry above deleted") << u"delete 0"_s << 1 << true;
        QTest::newRow("entry moved up") << u"up 2"_s << 1 << false;
        QTest::newRow("deletion undone") << u"delete 2,undo"_s << 2 << false;
        QTest::newRow("same line twice, the nearer taken") << u"add C,delete 0,delete 0"_s << 1 << true;
        QTest::newRow("entry deleted") << u"delete 2"_s << -1 << true;
        QTest::newRow("another list loaded") << u"load"_s << -1 << true;
    }

    void doubleClickSelectsTheSameEntry()
    {
        QFETCH(QString, edit);
        QFETCH(int, selected);
        QFETCH(bool, stale);

        FakePlatform platform;
        main1 window(platform);
        LinkCheckWindow* check = finishedCheck(
            window, {{u"/ok"_s, u"/b.png"_s}, {u"/gone"_s, u"/b.png"_s}, {u"/ok"_s, u"/gone"_s}});
        QVERIFY(check);
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
        auto* table = control<QTableView>(check, u"resultTable"_s);
        // A row whose entry is gone says so, and the window says its results are out of date.
        QCOMPARE(table->model()->index(2, 5).data().toString().startsWith(u"古い結果"_s), selected < 0);
        QCOMPARE(control<QLabel>(check, u"resultsStale"_s)->isVisibleTo(check), stale);

        // A double-click and Enter on the row do the same.
        const QRect cell = table->visualRect(table->model()->index(2, 1));
        for (const bool byKey : {false, true}) {
            platform.messages.clear();
            window.selectEntry(0);
            if (byKey) {
                table->setCurrentIndex(table->model()->index(2, 1));
                QTest::keyClick(table, Qt::Key_Return);
            } else {
                // A view takes a double-click only after the press that began it.
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            }
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
    }

    // 「新しいアドレスに更新」 puts the new addresses of the chosen rows into their entries where they
    // stand, as one step that one undo takes back; the rows follow their entries throughout.
    void updateInPlace()
    {
        FakePlatform platform;
        main1 window(platform);
        LinkCheckWindow* check = finishedCheck(
            window, {{u"/ok"_s, u"/b.png"_s}, {u"/moved"_s, u"/b.png"_s}, {u"/moved2"_s, u"/b.png"_s}});
        QVERIFY(check);
        QCOMPARE(
            control<QLabel>(check, u"summaryLabel"_s)->text(),
            u"確認が終わりました：リンク切れ 0 件、要更新 2 件、相互リンクなし 0 件、確認できず 0 件。"_s);
        const QStringList before = window.pageInputs().entries;
        auto* table = control<QTableView>(check, u"resultTable"_s);
        auto* update = control<QPushButton>(check, u"updateUrlButton"_s);
        QVERIFY(table->actions().contains(control<QAction>(check, u"updateUrlAction"_s)));

        control<QCheckBox>(check, u"problemsOnly"_s)->setChecked(true);
        QCOMPARE(table->model()->rowCount(), 2);
        QCOMPARE(table->model()->index(0, 2).data().toString(), u"要更新（移転）"_s);
        QVERIFY(!update->isEnabled());
        table->selectAll();
        QVERIFY(update->isEnabled());
        update->click();

        const QString newSite = m_server.url(u"/ok"_s);
        QStringList after = before;
        for (int row : {1, 2})
            after[row] =
                composeEntry({splitEntry(before[row]).bannerUrl, splitEntry(before[row]).siteName, newSite});
        QCOMPARE(window.pageInputs().entries, after);
        QCOMPARE(table->model()->index(0, 5).data().toString(), u"新しいアドレスに更新しました。"_s);
        QVERIFY(!update->isEnabled());
        QVERIFY(!control<QLabel>(check, u"resultsStale"_s)->isVisibleTo(check));

        window.undoStack()->undo();
        QCOMPARE(window.pageInputs().entries, before);
        QVERIFY(!control<QLabel>(check, u"resultsStale"_s)->isVisibleTo(check));
        QVERIFY(update->isEnabled());
    }

    // Ctrl+L with the window open, and 再確認, check the list as it is now: all of it, or what
    // needs action when only that is shown. Escape closes the window.
    void recheckAndClose()
    {
        FakePlatform platform;
        main1 window(platform);
        LinkCheckWindow* check = finishedCheck(
            window, {{u"/ok"_s, u"/b.png"_s}, {u"/gone"_s, u"/b.png"_s}, {u"/ok"_s, u"/b.png"_s}});
        QVERIFY(check && QTest::qWaitForWindowActive(check));
        QSignalSpy finished(&check->checker(), &LinkChecker::finished);
        auto* table = control<QTableView>(check, u"resultTable"_s);
        auto* stale = control<QLabel>(check, u"resultsStale"_s);
        window.selectEntry(2);
        window.Command3->click();
        QVERIFY(stale->isVisibleTo(check));

        window.checkAction->trigger();
        QCOMPARE(window.findChildren<LinkCheckWindow*>().size(), 1);
        QVERIFY(!stale->isVisibleTo(check));
        QVERIFY(finished.wait(5000));
        QCOMPARE(table->model()->rowCount(), 2);

        control<QCheckBox>(check, u"problemsOnly"_s)->setChecked(true);
        control<QPushButton>(check, u"recheckButton"_s)->click();
        QVERIFY(finished.wait(5000));
        control<QCheckBox>(check, u"problemsOnly"_s)->setChecked(false);
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(table->model()->index(0, 0).data().toString(), u"2"_s);
        QCOMPARE(table->model()->index(0, 1).data().toString(), u"B"_s);
        const QString csv = m_dir.filePath(u"recheck.csv"_s);
        platform.fileNames.enqueue(csv);
        control<QPushButton>(check, u"saveButton"_s)->click();
        QVERIFY(readBytes(csv).split('\n').value(1).startsWith("2,B,"));

        QPointer<LinkCheckWindow> guard(check);
        QTest::keyClick(table, Qt::Key_Escape);
        QTRY_VERIFY(!guard);
    }

    // Tab and Ctrl+Tab leave the table, and Tab reaches every control of the window, while the check
    // waits on a site that stalls; 中止 then ends it at once, and the window goes with the main one.
    void keyboardAndStop()
    {
        FakePlatform platform;
        QPointer<LinkCheckWindow> check;
        {
            main1 window(platform);
            check = openCheck(window, {{u"/moved"_s, u"/b.png"_s}, {u"/stall"_s, u"/b.png"_s}});
            QVERIFY(check && QTest::qWaitForWindowActive(check));
            auto* table = control<QTableView>(check, u"resultTable"_s);
            auto* stop = control<QPushButton>(check, u"stopButton"_s);
            QTRY_COMPARE(control<QProgressBar>(check, u"checkProgress"_s)->value(), 1);
            table->selectRow(0);
            table->setFocus();
            QTest::keyClick(table, Qt::Key_Tab, Qt::ControlModifier);
            QCOMPARE(QApplication::focusWidget(), stop);
            table->setFocus();
            const QList<QWidget*> reached = tabWalk(8);
            for (auto* button : check->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
                QVERIFY2(reached.contains(button), qPrintable(button->objectName()));

            QSignalSpy finished(&check->checker(), &LinkChecker::finished);
            stop->click();
            QCOMPARE(finished.size(), 1);
            QVERIFY(!stop->isEnabled());
            QVERIFY(control<QLabel>(check, u"summaryLabel"_s)->text().startsWith(u"中止しました"_s));
            QCOMPARE(table->model()->index(1, 5).data().toString(), u"中止したため確認していません"_s);
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
        window.show();
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

    // As openCheck, the check run to its end; null when it did not end.
    LinkCheckWindow* finishedCheck(main1& window, const QList<std::pair<QString, QString>>& entries)
    {
        LinkCheckWindow* check = openCheck(window, entries, {u"A"_s, u"B"_s, u"C"_s});
        if (!check)
            return nullptr;
        QSignalSpy finished(&check->checker(), &LinkChecker::finished);
        return finished.wait(5000) ? check : nullptr;
    }

    TestHttpServer m_server;
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_linkcheck_window)
#include "tst_linkcheck_window.moc"
