#include "fakeplatform.h"
#include "frmabt/frmabt.h"
#include "guitest.h"
#include "main1/main1.h"
#include "ui/ui.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// The about window as the main window opens it: shown, active, with its own platform.
struct OpenAbout
{
    FakePlatform platform;
    QPointer<frmabt> window = new frmabt(platform, nullptr);

    OpenAbout()
    {
        window->show();
        window->activateWindow();
    }
    ~OpenAbout() { delete window; }
};

} // namespace

class tst_frmabt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    // A fixed dialog owned by the main window, focus on OK, every control named for automation (that
    // each shows whole and apart is tst_layout's); opening it again raises it as it is, and each new
    // opening fills the texts anew.
    void dialogBesideTheMainWindow()
    {
        FakePlatform platform;
        main1 owner(platform);
        owner.show();
        owner.about->trigger();
        QPointer<frmabt> window = owner.aboutWindow();
        QVERIFY(window && QTest::qWaitForWindowActive(window));
        QCOMPARE(window->size(), QSize(twips(5760), twips(3465)));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        // It stays above the main window and gets no taskbar button of its own.
        QCOMPARE(window->windowType(), Qt::Dialog);
        QCOMPARE(window->parentWidget(), &owner);
        QVERIFY(!window->isModal());
        QVERIFY(!(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!window->windowIcon().isNull());
        QVERIFY(!window->picIcon->pixmap().isNull());
        QVERIFY(window->cmdOK->isDefault());
        // Tab walks OK, the contact lines, the home page button, and back to OK.
        QCOMPARE(tabWalk(3),
                 (QList<QWidget*>{window->cmdOK, window->Text1, window->Command1, window->cmdOK}));
        QCOMPARE(window->accessibleDescription(), u"frmabt"_s);
        for (const char* name : {"picIcon", "lblTitle", "exename", "lblVersion", "lblDescription", "Text1",
                                 "Command1", "cmdOK", "Line1"})
            QCOMPARE(control<QWidget>(window, QString::fromLatin1(name))->accessibleDescription(),
                     QLatin1StringView(name));
        // The contact lines show whole, without scrolling.
        QCOMPARE(window->Text1->verticalScrollBar()->maximum(), 0);
        QCOMPARE(window->Text1->horizontalScrollBar()->maximum(), 0);

        window->lblVersion->setText(u"changed"_s);
        owner.about->trigger();
        QCOMPARE(owner.aboutWindow(), window.data());
        QCOMPARE(window->lblVersion->text(), u"changed"_s);
        window->cmdOK->click();
        QTRY_VERIFY(window.isNull());
        owner.about->trigger();
        QCOMPARE(owner.aboutWindow()->lblVersion->text(), u"Ver 1.01  (2000/04/02)"_s);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter on OK") << u"cmdOK"_s << int(Qt::Key_Return) << true;
        QTest::newRow("Enter in the contact lines") << u"Text1"_s << int(Qt::Key_Return) << true;
        QTest::newRow("Escape in the contact lines") << u"Text1"_s << int(Qt::Key_Escape) << true;
        QTest::newRow("Enter on the home page button presses it")
            << u"Command1"_s << int(Qt::Key_Return) << false;
    }

    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, closes);
        OpenAbout about;
        QVERIFY(QTest::qWaitForWindowActive(about.window));
        about.platform.answers.enqueue(QMessageBox::No);
        auto* target = control<QWidget>(about.window, focus);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QTRY_COMPARE(about.window.isNull(), closes);
        QVERIFY(closes || about.window->isVisible());
        QCOMPARE(about.platform.messages.size(), closes ? 0 : 1);
        QVERIFY(about.platform.browserUrls.isEmpty());
    }

    void askingBeforeTheBrowser_data()
    {
        QTest::addColumn<int>("answer"); // 0: Enter
        QTest::addColumn<bool>("browserWorks");
        QTest::addColumn<int>("pagesOpened");
        QTest::newRow("No starts nothing") << int(QMessageBox::No) << false << 0;
        QTest::newRow("Yes opens the page") << int(QMessageBox::Yes) << true << 1;
        QTest::newRow("Enter takes Yes, the default") << 0 << true << 1;
        QTest::newRow("no browser to start") << int(QMessageBox::Yes) << false << 1;
    }

    // Each press asks, and opens the page once when the answer is Yes; a browser that cannot be started
    // is reported with the page's address. Whatever happens, the window and the tool go on.
    void askingBeforeTheBrowser()
    {
        QFETCH(int, answer);
        QFETCH(bool, browserWorks);
        QFETCH(int, pagesOpened);
        OpenAbout about;
        FakePlatform& platform = about.platform;
        platform.browserWorks = browserWorks;
        for (int press = 0; press < 2; ++press) {
            if (answer != 0)
                platform.answers.enqueue(QMessageBox::StandardButton(answer));
            about.window->Command1->click();
        }

        const bool failureReported = pagesOpened > 0 && !browserWorks;
        QCOMPARE(platform.messages.size(), failureReported ? 4 : 2);
        const MessageRequest& question = platform.messages.constFirst();
        QCOMPARE(question.text, u"\nインターネットに接続していますか？\n"_s);
        QCOMPARE(question.title, u"インターネット接続"_s);
        QCOMPARE(question.icon, QMessageBox::Warning);
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.defaultButton, QMessageBox::Yes);

        // The page of the contact lines.
        const QString page = about.window->Text1->toPlainText().section(u'\n', 1, 1);
        QVERIFY(QUrl(page).scheme() == u"http"_s && !QUrl(page).host().isEmpty());
        QCOMPARE(platform.browserUrls, QList<QUrl>(2 * pagesOpened, QUrl(page)));
        if (failureReported) {
            const MessageRequest& report = platform.messages.at(1);
            QCOMPARE(report.title, u"siteloom"_s);
            QCOMPARE(report.buttons, QMessageBox::Ok);
            QCOMPARE(report.text,
                     u"ブラウザを起動できませんでした。\n作者のホームページは次のアドレスです。\n"_s + page);
        }
        QVERIFY(about.window && about.window->isVisible());
    }
};

QTEST_MAIN(tst_frmabt)
#include "tst_frmabt.moc"
