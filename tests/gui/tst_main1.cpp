#include "application.h"
#include "fakeplatform.h"
#include "fm1/fm1.h"
#include "frmabt/frmabt.h"
#include "guitest.h"
#include "main1/entrylistview.h"
#include "main1/main1.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_main1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareGuiTest();
        m_startDirectory = QDir::currentPath();
    }

    void cleanup() { QVERIFY(QDir::setCurrent(m_startDirectory)); }

    // A window that can be enlarged, every control named and described, the fields and choices at their start
    // values, the focus on "指定" and the tab key in the order the user expects.
    void startState()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), u"ＳｉｔｅＬｏｏｍ"_s);
        QVERIFY(window.windowFlags() & Qt::WindowMaximizeButtonHint);
        QCOMPARE(window.accessibleDescription(), u"main1"_s);
        QStringList names{u"List1"_s, u"SSTab1"_s, u"file"_s};
        const std::pair<const char*, int> numbered[] = {{"Label", 26},  {"Text", 9},  {"Option", 9},
                                                        {"Command", 7}, {"Frame", 4}, {"Line", 2}};
        for (const auto& [kind, count] : numbered) {
            for (int i = 1; i <= count; ++i)
                names.append(QLatin1StringView(kind) + QString::number(i));
        }
        for (const QString& name : std::as_const(names))
            QCOMPARE(control<QWidget>(&window, name)->accessibleDescription(), name);
        // Assistive technology sees the list as a list of its rows.
        setListRows(window, {u"a：b：c"_s, u"d：e：f"_s});
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window.List1);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->tableInterface()->rowCount(), 2);
        QCOMPARE(list->tableInterface()->cellAt(1, 0)->text(QAccessible::Name), u"d：e：f"_s);
        setListRows(window, {});

        QStringList texts;
        for (int i = 1; i <= 9; ++i) {
            texts.append(control<QLineEdit>(&window, u"Text%1"_s.arg(i))->text());
            QCOMPARE(control<QRadioButton>(&window, u"Option%1"_s.arg(i))->isChecked(), i == 1);
        }
        QCOMPARE(texts, QStringList({u"http://"_s, QString(), u"http://"_s, u"link.html"_s, u"http://"_s,
                                     u"リ　ン　ク　集"_s, u"http://"_s, QString(), u"http://"_s}));
        QCOMPARE(window.pageInputs(), PageInputs());
        QCOMPARE(listRows(window), QStringList());
        QCOMPARE(window.SSTab1->currentIndex(), 0);
        QVERIFY(platform.messages.isEmpty());

        QCOMPARE(QApplication::focusWidget(), window.Command1);
        // Command buttons before the option group, the entry fields of the first tab from the bottom up.
        QCOMPARE(window.Command1->nextInFocusChain(), window.List1);
        QCOMPARE(window.Text6->nextInFocusChain(), window.SSTab1);
        QCOMPARE(window.Text3->nextInFocusChain(), window.Text2);
        QCOMPARE(window.Text1->nextInFocusChain(), window.Text7);
    }

    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("title label") << u"Label3"_s << u"簡単・ＨＰリンクファイル作成"_s;
        QTest::newRow("choose directory") << u"Command1"_s << u"指定"_s;
        QTest::newRow("add") << u"Command2"_s << u"追　加"_s;
        QTest::newRow("delete") << u"Command3"_s << u"削　除"_s;
        QTest::newRow("make page") << u"Command4"_s << u"html 作成"_s;
        QTest::newRow("up") << u"Command5"_s << u"ひとつ上に"_s;
        QTest::newRow("down") << u"Command6"_s << u"ひとつ下に"_s;
        QTest::newRow("edit") << u"Command7"_s << u"編　集"_s;
        QTest::newRow("half-width file choice") << u"Option9"_s << u"ﾌｧｲﾙ指定"_s;
        QTest::newRow("line break hint")
            << u"Label8"_s
            << u"例　：　そよかダイビングＷＥＢ　　　　　　　　　途中で改行したい場合、　<BR>　を半角にて入れて下さい"_s;
        QTest::newRow("own name hint") << u"Label24"_s << u"例　：　そよかダイビングＷＥＢ"_s;
        QTest::newRow("first tab") << u"SSTab1:0"_s << u"１項目入力して下のボタンを押す"_s;
        QTest::newRow("second tab") << u"SSTab1:1"_s << u"自分のバナーとＵＲＬを入力"_s;
        // The ファイル menu's entries are read with their keys in keysReachTheMenus.
        QTest::newRow("about menu entry") << u"about"_s << u"ソフト情報(&A)"_s;
    }

    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        FakePlatform platform;
        main1 window(platform);
        if (name.startsWith(u"SSTab1:"_s))
            QCOMPARE(window.SSTab1->tabText(name.section(u':', 1).toInt()), caption);
        else
            QCOMPARE(control<QObject>(&window, name)->property("text").toString(), caption);
    }

    // The chooser and the about window open once each, the second opening raising the same window;
    // closing the main window closes both, and "終了" ends the tool.
    void otherWindows()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        window.Command1->click();
        window.about->trigger();
        QPointer<fm1> chooser = window.chooserWindow();
        QPointer<frmabt> about = window.aboutWindow();
        QVERIFY(chooser && chooser->isVisible());
        QVERIFY(about && about->isVisible());
        window.Command1->click();
        window.about->trigger();
        QCOMPARE(window.chooserWindow(), chooser.data());
        QCOMPARE(window.aboutWindow(), about.data());
        QCOMPARE(window.findChildren<fm1*>().size(), 1);
        QCOMPARE(window.findChildren<frmabt*>().size(), 1);

        window.close();
        QTRY_VERIFY(chooser.isNull());
        QTRY_VERIFY(about.isNull());
        window.eexit->trigger();
        QCOMPARE(platform.quitCalls, 1);
    }

    // The window never opens larger than the screen's available area; what does not fit scrolls into
    // view, and a larger window gives the list the room. ctest runs this suite on the offscreen
    // platform's small screen (800×600) and on a large one.
    void fitsTheScreen()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect available = window.screen()->availableGeometry();
        QVERIFY(window.frameGeometry().width() <= available.width());
        QVERIFY(window.frameGeometry().height() <= available.height());
        auto* area = control<QScrollArea>(&window, u"clientArea"_s);
        const QWidget* client = area->widget();
        // The whole layout shows when the screen has room for it.
        QCOMPARE(area->viewport()->size() == client->minimumSize(),
                 client->minimumSize().height() + window.menuBar()->height() <= available.height() &&
                     client->minimumSize().width() <= available.width());
        // Every control lies inside the client area, and the scroll bars reach all of it.
        QCOMPARE(area->horizontalScrollBar()->maximum(), client->width() - area->viewport()->width());
        QCOMPARE(area->verticalScrollBar()->maximum(), client->height() - area->viewport()->height());
        for (const QWidget* widget : client->findChildren<QWidget*>()) {
            if (widget->isVisibleTo(client) && widget->focusPolicy() != Qt::NoFocus)
                QVERIFY2(client->rect().contains(QRect(widget->mapTo(client, QPoint(0, 0)), widget->size())),
                         qPrintable(widget->objectName()));
        }

        const QRect list = window.List1->geometry();
        const QPoint below = window.Command4->pos();
        window.resize(window.size() + QSize(200, 100));
        QTRY_COMPARE(client->size(), area->viewport()->size().expandedTo(client->minimumSize()));
        const QSize grown = client->size() - client->minimumSize();
        QCOMPARE(window.List1->geometry(), list.adjusted(0, 0, grown.width(), grown.height()));
        QCOMPARE(window.Command4->pos(), below + QPoint(0, grown.height()));
    }

    void keysReachTheMenus_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("done"); // what the platform saw, or the menu that opened
        QTest::newRow("Ctrl+S saves") << QKeySequence(u"Ctrl+S"_s) << u"save dialog"_s;
        QTest::newRow("Ctrl+O loads") << QKeySequence(u"Ctrl+O"_s) << u"open dialog"_s;
        QTest::newRow("Ctrl+Q ends the tool") << QKeySequence(u"Ctrl+Q"_s) << u"quit"_s;
        QTest::newRow("F10 opens the first menu") << QKeySequence(Qt::Key_F10) << u"file"_s;
        QTest::newRow("Alt+F: ファイル") << QKeySequence(Qt::ALT | Qt::Key_F) << u"file"_s;
        QTest::newRow("Alt+E: 編集") << QKeySequence(Qt::ALT | Qt::Key_E) << u"editMenu"_s;
        QTest::newRow("Alt+L: リンク確認") << QKeySequence(Qt::ALT | Qt::Key_L) << u"checkMenu"_s;
    }

    // The menu entries answer their keys from anywhere in the window, and the menu shows the keys;
    // every menu opens from the keyboard, and リンク確認 is a menu whose first entry is the check.
    void keysReachTheMenus()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, done);
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {u"b.gif：サイト：http://example.jp/"_s});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Text2->setFocus();
        QTest::keySequence(&window, keys);
        if (!done.contains(u' ') && done != u"quit"_s) {
            QTRY_VERIFY(QApplication::activePopupWidget());
            QCOMPARE(QApplication::activePopupWidget()->objectName(), done);
            QApplication::activePopupWidget()->close();
            QCOMPARE(window.checkMenu->actions().constFirst(), window.checkAction);
            return;
        }
        const QStringList seen = {platform.saveRequests.isEmpty() ? QString() : u"save dialog"_s,
                                  platform.openRequests.isEmpty() ? QString() : u"open dialog"_s,
                                  platform.quitCalls == 0 ? QString() : u"quit"_s};
        QCOMPARE(seen.join(QString()), done);
        QStringList shown;
        for (const QAction* action : window.file->actions()) {
            if (!action->shortcut().isEmpty())
                shown.append(action->text() + u' ' + action->shortcut().toString(QKeySequence::NativeText));
        }
        QCOMPARE(shown, (QStringList{u"ファイル保存 Ctrl+S"_s, u"ファイル読込 Ctrl+O"_s, u"終了 Ctrl+Q"_s}));
    }

    // Enter in any of the three entry fields adds the entry, as "追　加" does.
    void enterInAnEntryFieldAdds()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QString entry = u"http://example.jp/b.gif：サイト：http://example.jp/"_s;
        for (QLineEdit* field : {window.Text1, window.Text2, window.Text3}) {
            window.Text1->setText(u"http://example.jp/b.gif"_s);
            window.Text2->setText(u"サイト"_s);
            window.Text3->setText(u"http://example.jp/"_s);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(listRows(window), QStringList(3, entry));
    }

    // Tab goes round every control that takes the focus, the list and the buttons included.
    void tabReachesEveryControl()
    {
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {u"a：b：c"_s});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QList<QWidget*> reached = tabWalk(60);
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) &&
                widget->window() == &window && !widget->objectName().startsWith(u"qt_"_s))
                QVERIFY2(reached.contains(widget->focusProxy() ? widget->focusProxy() : widget),
                         qPrintable(widget->objectName()));
        }
    }

    void starting_data()
    {
        QTest::addColumn<bool>("stored");  // a directory is remembered
        QTest::addColumn<bool>("present"); // and is still there
        QTest::addColumn<QString>("file"); // given on the command line; empty: none
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("entries");
        const QString none;
        QTest::newRow("none remembered") << false << false << none << none << 0;
        QTest::newRow("remembered directory") << true << true << none << none << 0;
        QTest::newRow("remembered directory gone") << true << false << none << none << 0;
        QTest::newRow("list file loaded")
            << false << false << QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt") << u"読込み完了"_s
            << 2;
        QTest::newRow("missing list file told")
            << false << false << QStringLiteral(SITELOOM_TEST_DATA "/missing.txt")
            << u"ファイルを読み込めませんでした。\n" SITELOOM_TEST_DATA "/missing.txt\n"_s << 0;
    }

    // The remembered directory becomes the base directory as it is, and the current directory when it
    // still exists; nothing is said either way. "siteloom FILE": the file is loaded once the window is
    // on screen, and its message stands in front of the window, as its child.
    void starting()
    {
        QFETCH(bool, stored);
        QFETCH(bool, present);
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(int, entries);
        QTemporaryDir base;
        const QString remembered = QDir(base.path()).canonicalPath() + (present ? QString() : u"/removed"_s);
        FakePlatform platform;
        if (stored)
            platform.settings.insert(u"siteloom/startup/firstdir"_s, remembered);
        main1 window(platform);
        QCOMPARE(window.Label1->text(), stored ? remembered : QString());
        QCOMPARE(QDir::currentPath(), present ? remembered : m_startDirectory);
        showMainWindow(window, file);
        QVERIFY(platform.messages.isEmpty());
        QTRY_COMPARE(platform.messages.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(platform.messageTexts().value(0).left(message.size()), message);
        QCOMPARE(platform.messageParents, message.isEmpty() ? QList<QWidget*>() : QList<QWidget*>{&window});
        QCOMPARE(listRows(window).size(), entries);
    }

private:
    QString m_startDirectory;
};

QTEST_MAIN(tst_main1)
#include "tst_main1.moc"
