// The main window's collaborators on their own, without the window: the undoable list, the find
// field and the recent files.
#include "fakeplatform.h"
#include "guitest.h"
#include "main1/findbar.h"
#include "main1/recentfiles.h"
#include "main1/undoableentrylist.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QUndoStack>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_listparts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    void undoableListFollowsAPlainList_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 10; ++seed)
            QTest::newRow(qPrintable(u"sequence %1"_s.arg(seed))) << seed;
    }

    // Random edits, undos and redos from random selections, side by side with a plain list and its
    // states: the rows always agree; an undo brings back the selection its step found, a redo the
    // one it left.
    void undoableListFollowsAPlainList()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        UndoableEntryList list;
        QList<QStringList> states{{}};
        QList<int> selectedBefore{-1}, selectedAfter{-1}; // per state: around the step that made it
        qsizetype at = 0;
        for (int step = 0; step < 90; ++step) {
            QStringList now = states[at];
            const int count = int(now.size());
            const int row = count == 0 ? -1 : int(random.bounded(count));
            const auto text = [&] { return u"t%1"_s.arg(random.bounded(1000)); };
            list.selectRow(int(random.bounded(-1, count)));
            const int selected = list.selectedRow();
            switch (random.bounded(6)) {
            case 0: {
                const QStringList added{text(), text()};
                list.append(added.mid(0, random.bounded(1, 3)), u"取り込み"_s);
                now += added.mid(0, list.count() - count);
                break;
            }
            case 1:
                if (row < 0)
                    continue;
                list.remove(row, u"削除"_s);
                now.removeAt(row);
                break;
            case 2: {
                if (row < 0)
                    continue;
                const int to = int(random.bounded(count));
                list.move(row, to,
                          random.bounded(2) ? UndoableEntryList::AfterMove::SelectMoved
                                            : UndoableEntryList::AfterMove::SelectNothing);
                now.move(row, to);
                break;
            }
            case 3: {
                if (row < 0)
                    continue;
                const QString replacement = text();
                list.replace(row, replacement, u"編集"_s);
                now[row] = replacement;
                QCOMPARE(list.selectedRow(), selected);
                break;
            }
            case 4:
                if (at == 0)
                    continue;
                list.undoStack()->undo();
                QCOMPARE(list.selectedRow(), selectedBefore[at]);
                --at;
                QCOMPARE(list.entries(), states[at]);
                continue;
            default:
                if (at == states.size() - 1)
                    continue;
                list.undoStack()->redo();
                ++at;
                QCOMPARE(list.entries(), states[at]);
                QCOMPARE(list.selectedRow(), selectedAfter[at]);
                continue;
            }
            states.resize(at + 1);
            selectedBefore.resize(at + 1);
            selectedAfter.resize(at + 1);
            states.append(now);
            selectedBefore.append(selected);
            selectedAfter.append(list.selectedRow());
            ++at;
            QCOMPARE(list.entries(), now);
            QCOMPARE(list.undoStack()->index(), int(at));
        }
    }

    void find_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("selected"); // before
        QTest::addColumn<QString>("keys"); // after typing: n (Enter), 3 (F3), p (Shift+F3)
        QTest::addColumn<int>("found");    // the selected row afterwards
        QTest::addColumn<bool>("missed");

        // Which characters fold together is tst_linkentry's; these rows show the list is searched that way.
        QTest::newRow("full-width letters find half-width ones")
            << u"ＳＯＹＯＫＡ"_s << -1 << QString() << 1 << false;
        QTest::newRow("typing starts at the selected row") << u"site"_s << 2 << QString() << 2 << false;
        QTest::newRow("Enter finds the next") << u"site"_s << -1 << u"n"_s << 2 << false;
        QTest::newRow("F3 goes round the end") << u"site"_s << 2 << u"3"_s << 0 << false;
        QTest::newRow("Shift+F3 finds the previous") << u"site"_s << 2 << u"p"_s << 0 << false;
        QTest::newRow("no match keeps the selection") << u"ないもの"_s << 2 << QString() << 2 << true;
    }

    void find()
    {
        QFETCH(QString, typed);
        QFETCH(int, selected);
        QFETCH(QString, keys);
        QFETCH(int, found);
        QFETCH(bool, missed);
        UndoableEntryList list;
        list.append({u"b.gif：Site one：http://one.jp/"_s, u"b.gif：そよかダイビングWEB：http://soyoka.jp/"_s,
                     u"b.gif：site two：http://two.jp/"_s, u"b.gif：日記2026：http://diary.jp/"_s},
                    u"取り込み"_s);
        list.selectRow(selected);
        QWidget window;
        auto* bar = new FindBar(list, &window);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy closed(bar, &FindBar::closed);

        bar->open();
        QCOMPARE(QApplication::focusWidget(), bar);
        // Typed as an input method hands over text.
        bar->insert(typed);
        emit bar->textEdited(bar->text());
        for (const QChar key : keys) {
            if (key == u'n')
                QTest::keyClick(bar, Qt::Key_Return);
            else
                QTest::keyClick(bar, Qt::Key_F3, key == u'p' ? Qt::ShiftModifier : Qt::NoModifier);
        }

        QCOMPARE(list.selectedRow(), found);
        const auto* status = control<QLabel>(bar, u"findStatus"_s);
        QCOMPARE(status->isVisible(), missed);
        if (missed)
            QCOMPARE(status->text(), u"見つかりません"_s);
        QTest::keyClick(bar, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QCOMPARE(closed.size(), 1);
    }

    void recentFiles_data()
    {
        QTest::addColumn<QStringList>("remembered"); // in this order
        QTest::addColumn<QString>("forgotten");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("firstCaption"); // the menu's first entry as it reads
        QTest::newRow("none: the menu is off") << QStringList() << QString() << QStringList() << QString();
        QTest::newRow("newest first, five kept")
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s} << QString()
            << QStringList{u"f"_s, u"e"_s, u"d"_s, u"c"_s, u"b"_s} << u"&1 /lists/f"_s;
        QTest::newRow("one used again goes to the top")
            << QStringList{u"a"_s, u"b"_s, u"c"_s, u"a"_s} << QString() << QStringList{u"a"_s, u"c"_s, u"b"_s}
            << u"&1 /lists/a"_s;
        QTest::newRow("one forgotten leaves") << QStringList{u"a"_s, u"b"_s, u"c"_s} << u"b"_s
                                              << QStringList{u"c"_s, u"a"_s} << u"&1 /lists/c"_s;
        QTest::newRow("an & shows as it is")
            << QStringList{u"x&y"_s} << QString() << QStringList{u"x&y"_s} << u"&1 /lists/x&&y"_s;
    }

    // The list is the settings store's, so a later run (another RecentFiles) shows the same menu;
    // each entry, numbered, asks for its file.
    void recentFiles()
    {
        QFETCH(QStringList, remembered);
        QFETCH(QString, forgotten);
        QFETCH(QStringList, listed);
        QFETCH(QString, firstCaption);
        const QString folder = u"/lists/"_s;
        FakePlatform platform;
        {
            QMenu menu;
            RecentFiles recent(platform, &menu);
            for (const QString& name : remembered)
                recent.remember(folder + name);
            if (!forgotten.isEmpty())
                recent.forget(folder + forgotten);
        }
        QMenu menu;
        RecentFiles recent(platform, &menu);
        QSignalSpy asked(&recent, &RecentFiles::openRequested);
        QCOMPARE(menu.isEnabled(), !listed.isEmpty());
        QCOMPARE(menu.actions().size(), listed.size());
        if (!listed.isEmpty())
            QCOMPARE(menu.actions().first()->text(), firstCaption);
        for (qsizetype i = 0; i < listed.size(); ++i) {
            menu.actions()[i]->trigger();
            QCOMPARE(asked.takeFirst().constFirst().toString(), folder + listed[i]);
        }
    }
};

QTEST_MAIN(tst_listparts)
#include "tst_listparts.moc"
