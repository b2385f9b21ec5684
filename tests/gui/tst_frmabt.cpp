#include "about/frmabt.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "main/main1.h"
#include "platform/ui.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

using namespace Qt::StringLiterals;
using namespace siteloom;

class tst_frmabt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void textsSetOnLoad_data();
    void textsSetOnLoad();
    void contactLinesOfTheTextBox();
    void everyControlIsNamedAndDescribed_data();
    void everyControlIsNamedAndDescribed();
    void fontsAsDesigned_data();
    void fontsAsDesigned();
    void fixedDialogWithTheFocusOnOk();
    void nothingIsCutOff_data();
    void nothingIsCutOff();
    void keysThatClose_data();
    void keysThatClose();
    void enterOnTheHomePageButtonPressesIt();
    void askingBeforeTheBrowser_data();
    void askingBeforeTheBrowser();
    void eachPressOpensThePageOnce();
    void reopeningFillsTheTextsAgain();
};

namespace {

const QString crlf = u"\r\n"_s;

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

QStringList blockTexts(const QTextEdit* edit)
{
    QStringList lines;
    for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines;
}

} // namespace

void tst_frmabt::initTestCase()
{
    prepareGuiTest();
}

void tst_frmabt::textsSetOnLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("title in full-width letters") << u"lblTitle"_s << u"ＳｉｔｅＬｏｏｍ"_s;
    QTest::newRow("program file name in parentheses") << u"exename"_s << u"(SiteLoom.exe)"_s;
    QTest::newRow("version, two spaces, date") << u"lblVersion"_s << u"Ver 1.01  (2000/04/02)"_s;
    QTest::newRow("five description lines, CR LF between, none after the last")
        << u"lblDescription"_s
        << u"簡単・ＨＰリンクファイル作成ツール"_s + crlf + u"自分のＨＰにリンク集があるかと思いますが"_s +
               crlf + u"このリンクが頻繁に更新されると思います。"_s + crlf +
               u"そのリンク集（ｈｔｍｌファイル）を簡単に"_s + crlf + u"作成するのに､大変便利なソフトです｡"_s;
}

void tst_frmabt::textsSetOnLoad()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    OpenAbout about;
    QCOMPARE(control<QLabel>(about.window, name)->text(), text);
}

// A text box keeps lines, not line-end characters: the four lines must come out as four blocks, the
// last one not followed by an empty line.
void tst_frmabt::contactLinesOfTheTextBox()
{
    OpenAbout about;
    const QStringList lines = blockTexts(about.window->Text1);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), u"ホームページ："_s);
    QCOMPARE(lines.at(2), u"Eメール："_s);
    const QUrl page(lines.at(1));
    QVERIFY(page.isValid());
    QCOMPARE(page.scheme(), u"http"_s);
    QVERIFY(!page.host().isEmpty());
    QVERIFY(lines.at(3).contains(u'@'));
    QVERIFY(about.window->Text1->isReadOnly());
}

void tst_frmabt::everyControlIsNamedAndDescribed_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"picIcon", "lblTitle", "exename", "lblVersion", "lblDescription", "Line1",
                             "Text1", "Command1", "cmdOK"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_frmabt::everyControlIsNamedAndDescribed()
{
    QFETCH(QString, name);
    OpenAbout about;
    QCOMPARE(about.window->accessibleDescription(), u"frmabt"_s);
    QCOMPARE(control<QWidget>(about.window, name)->accessibleDescription(), name);
}

void tst_frmabt::fontsAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<qreal>("points");
    const QString mincho = QString::fromUtf16(minchoFamily);
    QTest::newRow("title") << u"lblTitle"_s << mincho << 12.0;
    QTest::newRow("program file name") << u"exename"_s << mincho << 9.75;
    QTest::newRow("version") << u"lblVersion"_s << mincho << 9.75;
    QTest::newRow("description") << u"lblDescription"_s << mincho << 9.75;
    QTest::newRow("contact lines") << u"Text1"_s << mincho << 9.75;
    QTest::newRow("home page button") << u"Command1"_s << QString::fromUtf16(gothicFamily) << 8.25;
}

void tst_frmabt::fontsAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(qreal, points);
    OpenAbout about;
    const QFont font = control<QWidget>(about.window, name)->font();
    QCOMPARE(font.family(), family);
    QCOMPARE(font.pointSizeF(), points);
}

void tst_frmabt::fixedDialogWithTheFocusOnOk()
{
    FakePlatform platform;
    main1 owner(platform);
    owner.show();
    owner.about->trigger();
    frmabt* window = owner.aboutWindow();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->windowTitle(), u"ﾊﾞｰｼﾞｮﾝ情報"_s);
    QCOMPARE(window->size(), QSize(twips(5760), twips(3465)));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    // A dialog owned by the main window: it stays above it and gets no taskbar button of its own.
    QCOMPARE(window->windowType(), Qt::Dialog);
    QCOMPARE(window->parentWidget(), &owner);
    QVERIFY(!window->isModal());
    QVERIFY(!(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!window->windowIcon().isNull());
    QVERIFY(!window->picIcon->pixmap().isNull());
    QCOMPARE(window->cmdOK->text(), u"OK"_s);
    QCOMPARE(window->Command1->text(), u"作者HP"_s);
    QVERIFY(window->cmdOK->isDefault());
    QCOMPARE(QApplication::focusWidget(), window->cmdOK);
    // Tab walks OK, the contact lines, the home page button, and back to OK.
    for (QWidget* next : {static_cast<QWidget*>(window->Text1), static_cast<QWidget*>(window->Command1),
                          static_cast<QWidget*>(window->cmdOK)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void tst_frmabt::nothingIsCutOff_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name :
         {"lblTitle", "exename", "lblVersion", "lblDescription", "Text1", "Command1", "cmdOK"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Every text shows whole with the fonts this machine has, inside the window, the upper part above the
// separator and the lower part below it.
void tst_frmabt::nothingIsCutOff()
{
    QFETCH(QString, name);
    OpenAbout about;
    QVERIFY(QTest::qWaitForWindowExposed(about.window));
    auto* widget = control<QWidget>(about.window, name);
    QVERIFY(about.window->rect().contains(widget->geometry()));
    const int separator = about.window->Line1->geometry().center().y();
    QVERIFY(widget->geometry().bottom() < separator || widget->geometry().top() > separator);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        QVERIFY(label->sizeHint().width() <= label->width());
        QVERIFY(label->sizeHint().height() <= label->height());
    } else if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
        QCOMPARE(edit->verticalScrollBar()->maximum(), 0);
        QCOMPARE(edit->horizontalScrollBar()->maximum(), 0);
    } else {
        auto* button = qobject_cast<QPushButton*>(widget);
        QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width());
        QVERIFY(button->fontMetrics().height() < button->height());
    }
}

void tst_frmabt::keysThatClose_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::newRow("Enter on OK") << u"cmdOK"_s << int(Qt::Key_Return);
    QTest::newRow("keypad Enter on OK") << u"cmdOK"_s << int(Qt::Key_Enter);
    QTest::newRow("Escape on OK") << u"cmdOK"_s << int(Qt::Key_Escape);
    QTest::newRow("Enter in the contact lines") << u"Text1"_s << int(Qt::Key_Return);
    QTest::newRow("Escape in the contact lines") << u"Text1"_s << int(Qt::Key_Escape);
    QTest::newRow("Escape on the home page button") << u"Command1"_s << int(Qt::Key_Escape);
}

void tst_frmabt::keysThatClose()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    OpenAbout about;
    QVERIFY(QTest::qWaitForWindowActive(about.window));
    auto* target = control<QWidget>(about.window, focus);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key));
    QTRY_VERIFY(about.window.isNull());
    QVERIFY(about.platform.messages.isEmpty());
    QVERIFY(about.platform.browserUrls.isEmpty());
}

void tst_frmabt::enterOnTheHomePageButtonPressesIt()
{
    OpenAbout about;
    QVERIFY(QTest::qWaitForWindowActive(about.window));
    about.platform.answers.enqueue(QMessageBox::No);
    about.window->Command1->setFocus();
    QTest::keyClick(about.window->Command1, Qt::Key_Return);
    QCOMPARE(about.platform.messages.size(), 1);
    QVERIFY(about.window && about.window->isVisible());
}

void tst_frmabt::askingBeforeTheBrowser_data()
{
    QTest::addColumn<bool>("answered");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("browserWorks");
    QTest::addColumn<int>("pagesOpened");
    QTest::addColumn<bool>("failureReported");
    QTest::newRow("No starts nothing") << true << int(QMessageBox::No) << true << 0 << false;
    QTest::newRow("Yes opens the page") << true << int(QMessageBox::Yes) << true << 1 << false;
    QTest::newRow("Enter takes Yes, the default") << false << 0 << true << 1 << false;
    QTest::newRow("no browser to start") << true << int(QMessageBox::Yes) << false << 1 << true;
    QTest::newRow("no browser, but the user said No") << true << int(QMessageBox::No) << false << 0 << false;
}

void tst_frmabt::askingBeforeTheBrowser()
{
    QFETCH(bool, answered);
    QFETCH(int, answer);
    QFETCH(bool, browserWorks);
    QFETCH(int, pagesOpened);
    QFETCH(bool, failureReported);
    OpenAbout about;
    FakePlatform& platform = about.platform;
    platform.browserWorks = browserWorks;
    if (answered)
        platform.answers.enqueue(QMessageBox::StandardButton(answer));
    about.window->Command1->click();

    QVERIFY(!platform.messages.isEmpty());
    const MessageRequest& question = platform.messages.constFirst();
    QCOMPARE(question.text, u"\nインターネットに接続していますか？\n"_s);
    QCOMPARE(question.title, u"インターネット接続"_s);
    QCOMPARE(question.icon, QMessageBox::Warning);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::Yes);

    const QString page = blockTexts(about.window->Text1).at(1);
    QCOMPARE(platform.browserUrls, QList<QUrl>(pagesOpened, QUrl(page)));
    QCOMPARE(platform.messages.size(), failureReported ? 2 : 1);
    if (failureReported) {
        const MessageRequest& report = platform.messages.constLast();
        QCOMPARE(report.title, u"siteloom"_s);
        QCOMPARE(report.buttons, QMessageBox::Ok);
        QVERIFY(report.text.startsWith(u"ブラウザを起動できませんでした。"_s));
        QVERIFY(report.text.endsWith(page));
    }
    // Whatever happened, the window and the tool go on.
    QVERIFY(about.window && about.window->isVisible());
}

void tst_frmabt::eachPressOpensThePageOnce()
{
    OpenAbout about;
    for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Yes})
        about.platform.answers.enqueue(answer);
    for (int press = 0; press < 3; ++press)
        about.window->Command1->click();
    const QUrl page(blockTexts(about.window->Text1).at(1));
    QCOMPARE(about.platform.browserUrls, QList<QUrl>({page, page}));
    QCOMPARE(about.platform.messages.size(), 3);
}

void tst_frmabt::reopeningFillsTheTextsAgain()
{
    FakePlatform platform;
    main1 owner(platform);
    owner.show();
    owner.about->trigger();
    QPointer<frmabt> first = owner.aboutWindow();
    first->lblVersion->setText(u"changed"_s);
    first->Text1->setPlainText(u"changed"_s);
    owner.about->trigger();
    QCOMPARE(owner.aboutWindow(), first.data());
    QCOMPARE(first->lblVersion->text(), u"changed"_s);
    first->cmdOK->click();
    QTRY_VERIFY(first.isNull());
    QVERIFY(!owner.aboutWindow());

    owner.about->trigger();
    frmabt* second = owner.aboutWindow();
    QVERIFY(second && second->isVisible());
    QCOMPARE(second->lblVersion->text(), u"Ver 1.01  (2000/04/02)"_s);
    QCOMPARE(blockTexts(second->Text1).size(), 4);
}

QTEST_MAIN(tst_frmabt)
#include "tst_frmabt.moc"
