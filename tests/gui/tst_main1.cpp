#include "about/frmabt.h"
#include "dirs/fm1.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "main/main1.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_main1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startStateOfTheFields_data();
    void startStateOfTheFields();
    void startStateOfTheChoices();
    void everyControlIsNamedAndDescribed_data();
    void everyControlIsNamedAndDescribed();
    void captionsAsTheUserSeesThem_data();
    void captionsAsTheUserSeesThem();
    void windowIsFixedInSize();
    void startWithoutRememberedDirectory();
    void startWithRememberedDirectory();
    void startWithVanishedDirectory();
    void exitEndsTheTool();
    void closingMainWindowClosesTheOthers();
    void secondOpeningRaisesTheSameWindow();

private:
    QString m_startDirectory;
};

void tst_main1::initTestCase()
{
    prepareGuiTest();
    m_startDirectory = QDir::currentPath();
}

void tst_main1::init()
{
    QVERIFY(QDir::setCurrent(m_startDirectory));
}

void tst_main1::cleanup()
{
    QVERIFY(QDir::setCurrent(m_startDirectory));
}

void tst_main1::startStateOfTheFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("Text1 banner") << u"Text1"_s << u"http://"_s;
    QTest::newRow("Text2 name") << u"Text2"_s << QString();
    QTest::newRow("Text3 url") << u"Text3"_s << u"http://"_s;
    QTest::newRow("Text4 file name") << u"Text4"_s << u"link.html"_s;
    QTest::newRow("Text5 background") << u"Text5"_s << u"http://"_s;
    QTest::newRow("Text6 title") << u"Text6"_s << u"リ　ン　ク　集"_s;
    QTest::newRow("Text7 own banner") << u"Text7"_s << u"http://"_s;
    QTest::newRow("Text8 own name") << u"Text8"_s << QString();
    QTest::newRow("Text9 own url") << u"Text9"_s << u"http://"_s;
}

void tst_main1::startStateOfTheFields()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    FakePlatform platform;
    main1 window(platform);
    QCOMPARE(control<QLineEdit>(&window, name)->text(), text);
}

void tst_main1::startStateOfTheChoices()
{
    FakePlatform platform;
    main1 window(platform);
    for (int i = 1; i <= 9; ++i)
        QCOMPARE(control<QRadioButton>(&window, u"Option%1"_s.arg(i))->isChecked(), i == 1);
    QCOMPARE(window.List1->count(), 0);
    QCOMPARE(window.SSTab1->currentIndex(), 0);
    QCOMPARE(window.Label1->text(), QString());
    QVERIFY(platform.messages.isEmpty());
    const PageInputs start;
    QCOMPARE(window.pageInputs(), start);
}

void tst_main1::everyControlIsNamedAndDescribed_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = {
        u"Label3"_s,  u"Label19"_s,  u"Text6"_s,    u"Line2"_s,   u"Label2"_s,   u"Command1"_s, u"Label1"_s,
        u"Line1"_s,   u"Frame3"_s,   u"Text5"_s,    u"Label18"_s, u"List1"_s,    u"SSTab1"_s,   u"Frame1"_s,
        u"Frame4"_s,  u"Label10"_s,  u"Command2"_s, u"Label11"_s, u"Label12"_s,  u"Command3"_s, u"Label13"_s,
        u"Label17"_s, u"Command7"_s, u"Label16"_s,  u"Frame2"_s,  u"Command5"_s, u"Command6"_s, u"Label14"_s,
        u"Text4"_s,   u"Command4"_s, u"file"_s};
    for (const QString& n : names)
        QTest::newRow(qPrintable(n)) << n;
    for (int i = 1; i <= 9; ++i) {
        QTest::newRow(qPrintable(u"Option%1"_s.arg(i))) << u"Option%1"_s.arg(i);
        QTest::newRow(qPrintable(u"Text%1"_s.arg(i))) << u"Text%1"_s.arg(i);
    }
    for (int i = 4; i <= 9; ++i)
        QTest::newRow(qPrintable(u"Label%1"_s.arg(i))) << u"Label%1"_s.arg(i);
    for (int i = 20; i <= 26; ++i)
        QTest::newRow(qPrintable(u"Label%1"_s.arg(i))) << u"Label%1"_s.arg(i);
    QTest::newRow("Label15") << u"Label15"_s;
}

void tst_main1::everyControlIsNamedAndDescribed()
{
    QFETCH(QString, name);
    FakePlatform platform;
    main1 window(platform);
    QCOMPARE(window.accessibleDescription(), u"main1"_s);
    auto* widget = control<QWidget>(&window, name);
    QCOMPARE(widget->accessibleDescription(), name);
}

void tst_main1::captionsAsTheUserSeesThem_data()
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
}

void tst_main1::captionsAsTheUserSeesThem()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    FakePlatform platform;
    main1 window(platform);
    QObject* widget = control<QWidget>(&window, name);
    if (auto* l = qobject_cast<QLabel*>(widget))
        QCOMPARE(l->text(), caption);
    else
        QCOMPARE(qobject_cast<QAbstractButton*>(widget)->text(), caption);
}

void tst_main1::windowIsFixedInSize()
{
    FakePlatform platform;
    main1 window(platform);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), u"ＳｉｔｅＬｏｏｍ"_s);
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
    QCOMPARE(QApplication::focusWidget(), window.Command1);
    QCOMPARE(window.SSTab1->tabText(0), u"１項目入力して下のボタンを押す"_s);
    QCOMPARE(window.SSTab1->tabText(1), u"自分のバナーとＵＲＬを入力"_s);
    QCOMPARE(window.fsave->text(), u"ファイル保存"_s);
    QCOMPARE(window.fload->text(), u"ファイル読込"_s);
    QCOMPARE(window.eexit->text(), u"終了"_s);
    QCOMPARE(window.about->text(), u"ソフト情報"_s);
    // The tab key visits the controls in the order the user expects: command buttons before the
    // option group, the entry fields of the first tab from the bottom up.
    QCOMPARE(window.Command1->nextInFocusChain(), window.List1);
    QCOMPARE(window.Text6->nextInFocusChain(), window.SSTab1);
    QCOMPARE(window.Text3->nextInFocusChain(), window.Text2);
    QCOMPARE(window.Text1->nextInFocusChain(), window.Text7);
}

void tst_main1::startWithoutRememberedDirectory()
{
    FakePlatform platform;
    const QString before = QDir::currentPath();
    main1 window(platform);
    QCOMPARE(window.Label1->text(), QString());
    QCOMPARE(QDir::currentPath(), before);
    QVERIFY(platform.messages.isEmpty());
}

void tst_main1::startWithRememberedDirectory()
{
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString remembered = QDir(base.path()).canonicalPath();
    FakePlatform platform;
    platform.settings.insert(u"siteloom/startup/firstdir"_s, remembered);
    main1 window(platform);
    QCOMPARE(window.Label1->text(), remembered);
    QCOMPARE(QDir::currentPath(), remembered);
}

void tst_main1::startWithVanishedDirectory()
{
    QString gone;
    {
        QTemporaryDir base;
        gone = base.path() + u"/removed"_s;
    }
    FakePlatform platform;
    platform.settings.insert(u"siteloom/startup/firstdir"_s, gone);
    const QString before = QDir::currentPath();
    main1 window(platform);
    QCOMPARE(window.Label1->text(), gone);
    QCOMPARE(QDir::currentPath(), before);
    QVERIFY(platform.messages.isEmpty());
}

void tst_main1::exitEndsTheTool()
{
    FakePlatform platform;
    main1 window(platform);
    window.eexit->trigger();
    QCOMPARE(platform.quitCalls, 1);
}

void tst_main1::closingMainWindowClosesTheOthers()
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
    window.close();
    QTRY_VERIFY(chooser.isNull());
    QTRY_VERIFY(about.isNull());
}

void tst_main1::secondOpeningRaisesTheSameWindow()
{
    FakePlatform platform;
    main1 window(platform);
    window.show();
    window.Command1->click();
    fm1* first = window.chooserWindow();
    window.Command1->click();
    QCOMPARE(window.chooserWindow(), first);
    window.about->trigger();
    frmabt* about = window.aboutWindow();
    window.about->trigger();
    QCOMPARE(window.aboutWindow(), about);
    QCOMPARE(window.findChildren<fm1*>().size(), 1);
    QCOMPARE(window.findChildren<frmabt*>().size(), 1);
}

QTEST_MAIN(tst_main1)
#include "tst_main1.moc"
