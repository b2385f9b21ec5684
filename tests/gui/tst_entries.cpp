#include "fakeplatform.h"
#include "guitest.h"
#include "main/linkentry.h"
#include "main/main1.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString defaultBanner = QString::fromUtf16(defaultBannerUrl);
const QString fillIn = u"項目にデータを入れてください"_s;
const QString pickALine = u"リンクＨＰリストから項目を選んでください。"_s;
const QString twoOrMore = u"２項目以上入れてください。"_s;
const QString emptyList = u"項目を入れてください。"_s;
const QString pickToDelete = u"削除する項目をリンクＨＰリストから選んでください。"_s;

QStringList lines(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

void fill(main1& window, const QString& banner, const QString& name, const QString& url)
{
    window.Text1->setText(banner);
    window.Text2->setText(name);
    window.Text3->setText(url);
}

// Selects a line as a click on it does: it becomes the current and the only selected line.
void select(main1& window, int row)
{
    if (row >= 0)
        window.List1->setCurrentRow(row);
}

// The texts of the messages shown so far; one that is not the tool's plain message box (OK only, no
// icon, caption "siteloom") is marked so that the comparison fails.
QStringList plainMessages(const FakePlatform& platform)
{
    QStringList texts;
    for (const MessageRequest& m : platform.messages) {
        const bool plain =
            m.buttons == QMessageBox::Ok && m.icon == QMessageBox::NoIcon && m.title == u"siteloom"_s;
        texts.append(plain ? m.text : u"(not a plain message box) "_s + m.text);
    }
    return texts;
}

QStringList noMessage()
{
    return {};
}

} // namespace

class tst_entries : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void addChecksTheFields_data();
    void addChecksTheFields();
    void refusedAddTwiceChangesNothingMore();
    void addAppendsWhateverIsSelected();
    void editingTheList_data();
    void editingTheList();
    void movedLineNeedsSelectingAgain();
    void editFillsTheFieldsOfTheHiddenTab_data();
    void editFillsTheFieldsOfTheHiddenTab();
    void editedEntryComesBackAtTheEnd();
    void overlongEntryStaysInTheList();
};

void tst_entries::initTestCase()
{
    prepareGuiTest();
}

void tst_entries::addChecksTheFields_data()
{
    QTest::addColumn<QString>("banner");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("entry");       // empty: refused
    QTest::addColumn<QString>("bannerAfter"); // what Text1 holds after a refusal

    QTest::newRow("all fields at their start texts")
        << u"http://"_s << QString() << u"http://"_s << QString() << defaultBanner;
    QTest::newRow("banner left at start text takes the default")
        << u"http://"_s << u"そよか"_s << u"http://a.jp/"_s << defaultBanner + u"：そよか：http://a.jp/"_s
        << QString();
    QTest::newRow("banner of seven characters takes the default")
        << u"abcdefg"_s << u"n"_s << u"http://a.jp/"_s << defaultBanner + u"：n：http://a.jp/"_s << QString();
    QTest::newRow("banner of eight spaces kept and trimmed empty")
        << u"        "_s << u"n"_s << u"http://a.jp/"_s << u"：n：http://a.jp/"_s << QString();
    QTest::newRow("urls trimmed of ascii and ideographic spaces")
        << u" 　http://a.jp/b.gif "_s << u"n"_s << u"　http://a.jp/ 　"_s
        << u"http://a.jp/b.gif：n：http://a.jp/"_s << QString();
    QTest::newRow("tabs are not trimmed") << u"\thttp://a.jp/b.gif"_s << u"n"_s << u"http://a.jp/\t"_s
                                          << u"\thttp://a.jp/b.gif：n：http://a.jp/\t"_s << QString();
    QTest::newRow("site url of start text and two spaces")
        << u"http://a.jp/b.gif"_s << u"n"_s << u"http://  "_s << u"http://a.jp/b.gif：n：http://"_s
        << QString();
    QTest::newRow("site name of one space") << u"http://a.jp/b.gif"_s << u" "_s << u"http://a.jp/"_s
                                            << u"http://a.jp/b.gif： ：http://a.jp/"_s << QString();
    QTest::newRow("site name keeps its spaces")
        << u"http://a.jp/b.gif"_s << u"　そよか "_s << u"http://a.jp/"_s
        << u"http://a.jp/b.gif：　そよか ：http://a.jp/"_s << QString();
    QTest::newRow("site name holding separator and line break")
        << u"http://a.jp/b.gif"_s << u"海：山<BR>川"_s << u"http://a.jp/"_s
        << u"http://a.jp/b.gif：海：山<BR>川：http://a.jp/"_s << QString();
    QTest::newRow("japanese banner of seven characters takes the default")
        << u"バナー画像です"_s << u"n"_s << u"http://a.jp/"_s << defaultBanner + u"：n：http://a.jp/"_s
        << QString();
    QTest::newRow("japanese site url of eight characters")
        << u"http://a.jp/b.gif"_s << u"n"_s << u"ドメイン名.日本"_s
        << u"http://a.jp/b.gif：n：ドメイン名.日本"_s << QString();
    QTest::newRow("japanese site url of seven characters refused")
        << u"http://a.jp/b.gif"_s << u"n"_s << u"日本語のＵＲＬ"_s << QString() << u"http://a.jp/b.gif"_s;
    QTest::newRow("surrogate pairs count as one character")
        << u"𠮷𠮷𠮷𠮷"_s << u"n"_s << u"http://a.jp/"_s << defaultBanner + u"：n：http://a.jp/"_s
        << QString();
    QTest::newRow("site url left at start text")
        << u"http://a.jp/b.gif"_s << u"n"_s << u"http://"_s << QString() << u"http://a.jp/b.gif"_s;
    QTest::newRow("empty site name") << u"http://a.jp/b.gif"_s << QString() << u"http://a.jp/"_s << QString()
                                     << u"http://a.jp/b.gif"_s;
    QTest::newRow("site url of spaces only is long enough")
        << u"http://a.jp/b.gif"_s << u"n"_s << u"        "_s << u"http://a.jp/b.gif：n："_s << QString();
}

void tst_entries::addChecksTheFields()
{
    QFETCH(QString, banner);
    QFETCH(QString, name);
    QFETCH(QString, url);
    QFETCH(QString, entry);
    QFETCH(QString, bannerAfter);
    FakePlatform platform;
    main1 window(platform);
    window.List1->addItem(u"X"_s);
    fill(window, banner, name, url);

    window.Command2->click();

    if (entry.isEmpty()) {
        QCOMPARE(plainMessages(platform), QStringList{fillIn});
        QCOMPARE(lines(window.List1), QStringList{u"X"_s});
        QCOMPARE(window.Text1->text(), bannerAfter);
        QCOMPARE(window.Text2->text(), name);
        QCOMPARE(window.Text3->text(), url);
    } else {
        QCOMPARE(plainMessages(platform), noMessage());
        QCOMPARE(lines(window.List1), (QStringList{u"X"_s, entry}));
        QCOMPARE(window.Text1->text(), u"http://"_s);
        QCOMPARE(window.Text2->text(), QString());
        QCOMPARE(window.Text3->text(), u"http://"_s);
    }
}

void tst_entries::refusedAddTwiceChangesNothingMore()
{
    FakePlatform platform;
    main1 window(platform);
    window.Command2->click();
    window.Command2->click();
    QCOMPARE(plainMessages(platform), (QStringList{fillIn, fillIn}));
    QCOMPARE(window.Text1->text(), defaultBanner);
    QCOMPARE(window.List1->count(), 0);
}

void tst_entries::addAppendsWhateverIsSelected()
{
    FakePlatform platform;
    main1 window(platform);
    window.List1->addItems({u"X"_s, u"Y"_s, u"Z"_s});
    select(window, 1);
    fill(window, u"http://a.jp/b.gif"_s, u"n"_s, u"http://a.jp/"_s);

    window.Command2->click();

    QCOMPARE(lines(window.List1),
             (QStringList{u"X"_s, u"Y"_s, u"Z"_s, u"http://a.jp/b.gif：n：http://a.jp/"_s}));
    QCOMPARE(window.List1->currentRow(), 1);
    QCOMPARE(window.List1->selectedItems(), QList<QListWidgetItem*>{window.List1->item(1)});
}

void tst_entries::editingTheList_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("selected"); // -1: none
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("messages");

    const QStringList none;
    const QStringList xyz{u"X"_s, u"Y"_s, u"Z"_s};
    const QStringList xy{u"X"_s, u"Y"_s};
    const QStringList one{u"X"_s};

    QTest::newRow("delete on empty list") << u"Command3"_s << none << -1 << none << QStringList{emptyList};
    QTest::newRow("delete without selection")
        << u"Command3"_s << xyz << -1 << xyz << QStringList{pickToDelete};
    QTest::newRow("delete middle line") << u"Command3"_s << xyz << 1 << QStringList{u"X"_s, u"Z"_s} << none;
    QTest::newRow("delete bottom line") << u"Command3"_s << xyz << 2 << xy << none;
    QTest::newRow("delete only line") << u"Command3"_s << one << 0 << none << none;
    QTest::newRow("delete malformed line")
        << u"Command3"_s << QStringList{u"no separator"_s, u"X"_s} << 0 << one << none;

    QTest::newRow("edit on empty list") << u"Command7"_s << none << -1 << none << QStringList{pickALine};
    QTest::newRow("edit without selection") << u"Command7"_s << xyz << -1 << xyz << QStringList{pickALine};

    QTest::newRow("up on empty list") << u"Command5"_s << none << -1 << none << QStringList{twoOrMore};
    QTest::newRow("up with one selected line") << u"Command5"_s << one << 0 << one << QStringList{twoOrMore};
    QTest::newRow("up without selection") << u"Command5"_s << xyz << -1 << xyz << QStringList{pickALine};
    QTest::newRow("up at the top") << u"Command5"_s << xyz << 0 << xyz << none;
    QTest::newRow("up from the bottom")
        << u"Command5"_s << xyz << 2 << QStringList{u"X"_s, u"Z"_s, u"Y"_s} << none;
    QTest::newRow("up from the middle")
        << u"Command5"_s << xyz << 1 << QStringList{u"Y"_s, u"X"_s, u"Z"_s} << none;
    QTest::newRow("up of equal lines") << u"Command5"_s << QStringList{u"X"_s, u"X"_s, u"Y"_s} << 2
                                       << QStringList{u"X"_s, u"Y"_s, u"X"_s} << none;

    QTest::newRow("down on empty list") << u"Command6"_s << none << -1 << none << QStringList{twoOrMore};
    QTest::newRow("down with one selected line")
        << u"Command6"_s << one << 0 << one << QStringList{twoOrMore};
    QTest::newRow("down without selection") << u"Command6"_s << xyz << -1 << xyz << QStringList{pickALine};
    QTest::newRow("down at the bottom") << u"Command6"_s << xyz << 2 << xyz << none;
    QTest::newRow("down of two lines") << u"Command6"_s << xy << 0 << QStringList{u"Y"_s, u"X"_s} << none;
    QTest::newRow("down from the middle")
        << u"Command6"_s << xyz << 1 << QStringList{u"X"_s, u"Z"_s, u"Y"_s} << none;
}

// Delete, edit and the moves: the checks in their order with their messages, and afterwards no
// line selected, unless nothing happened.
void tst_entries::editingTheList()
{
    QFETCH(QString, button);
    QFETCH(QStringList, before);
    QFETCH(int, selected);
    QFETCH(QStringList, after);
    QFETCH(QStringList, messages);
    FakePlatform platform;
    main1 window(platform);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.List1->addItems(before);
    select(window, selected);

    control<QPushButton>(&window, button)->click();
    QCoreApplication::processEvents();

    QCOMPARE(plainMessages(platform), messages);
    QCOMPARE(lines(window.List1), after);
    if (after == before) {
        QCOMPARE(window.List1->currentRow(), selected);
        QCOMPARE(window.List1->selectionModel()->selectedRows().size(), selected < 0 ? 0 : 1);
    } else {
        QVERIFY(!window.List1->selectionModel()->hasSelection());
        QCOMPARE(window.List1->currentRow(), -1);
    }
}

// The moves leave nothing selected: moving a line two places takes a second click on it.
void tst_entries::movedLineNeedsSelectingAgain()
{
    FakePlatform platform;
    main1 window(platform);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.List1->addItems({u"X"_s, u"Y"_s, u"Z"_s});
    auto clickLine = [&](int row) {
        const QRect r = window.List1->visualItemRect(window.List1->item(row));
        QTest::mouseClick(window.List1->viewport(), Qt::LeftButton, {}, r.center());
    };

    clickLine(2);
    window.Command5->click();
    window.Command5->click();
    QCOMPARE(lines(window.List1), (QStringList{u"X"_s, u"Z"_s, u"Y"_s}));
    QCOMPARE(plainMessages(platform), QStringList{pickALine});

    clickLine(1);
    window.Command5->click();
    QCOMPARE(lines(window.List1), (QStringList{u"Z"_s, u"X"_s, u"Y"_s}));
}

void tst_entries::editFillsTheFieldsOfTheHiddenTab_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("banner");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");

    QTest::newRow("three fields") << u"http://a.jp/b.gif：そよか：http://a.jp/"_s << u"http://a.jp/b.gif"_s
                                  << u"そよか"_s << u"http://a.jp/"_s;
    QTest::newRow("site url holding separator")
        << u"b.gif：n：http://a.jp/：続き"_s << u"b.gif"_s << u"n"_s << u"http://a.jp/：続き"_s;
    QTest::newRow("site name holding line break")
        << u"b.gif：上<BR>下：http://a.jp/"_s << u"b.gif"_s << u"上<BR>下"_s << u"http://a.jp/"_s;
    QTest::newRow("spaces kept untrimmed") << u" b　： n ：　u "_s << u" b　"_s << u" n "_s << u"　u "_s;
    QTest::newRow("no separator") << u"http://a.jp/whole line"_s << u"http://a.jp/whole line"_s << QString()
                                  << QString();
    QTest::newRow("one separator") << u"b.gif：name only"_s << u"b.gif"_s << u"name only"_s << QString();
    QTest::newRow("empty line") << QString() << QString() << QString() << QString();
}

void tst_entries::editFillsTheFieldsOfTheHiddenTab()
{
    QFETCH(QString, line);
    QFETCH(QString, banner);
    QFETCH(QString, name);
    QFETCH(QString, url);
    FakePlatform platform;
    main1 window(platform);
    window.List1->addItems({u"X"_s, line, u"Z"_s});
    fill(window, u"unsaved banner"_s, u"unsaved name"_s, u"unsaved url"_s);
    window.SSTab1->setCurrentIndex(1);
    select(window, 1);

    window.Command7->click();

    QCOMPARE(plainMessages(platform), noMessage());
    QCOMPARE(window.Text1->text(), banner);
    QCOMPARE(window.Text2->text(), name);
    QCOMPARE(window.Text3->text(), url);
    QCOMPARE(lines(window.List1), (QStringList{u"X"_s, u"Z"_s}));
    QVERIFY(!window.List1->selectionModel()->hasSelection());
    QCOMPARE(window.SSTab1->currentIndex(), 1);
    QCOMPARE(window.Text7->text(), u"http://"_s);
}

void tst_entries::editedEntryComesBackAtTheEnd()
{
    FakePlatform platform;
    main1 window(platform);
    const QString y = u"http://y.jp/b.gif：Ｙ：http://y.jp/"_s;
    window.List1->addItems({u"X"_s, y, u"Z"_s});
    select(window, 1);

    window.Command7->click();
    window.Text2->setText(u"Ｙ改"_s);
    window.Command2->click();

    QCOMPARE(plainMessages(platform), noMessage());
    QCOMPARE(lines(window.List1), (QStringList{u"X"_s, u"Z"_s, u"http://y.jp/b.gif：Ｙ改：http://y.jp/"_s}));
}

// A line longer than a field holds (only a hand-edited list file brings one) would lose its end in
// the field; it stays in the list instead.
void tst_entries::overlongEntryStaysInTheList()
{
    FakePlatform platform;
    main1 window(platform);
    const QString longLine = u"b：n："_s + QString(window.Text3->maxLength() + 1, u'u');
    window.List1->addItems({u"X"_s, longLine});
    fill(window, u"unsaved banner"_s, u"unsaved name"_s, u"unsaved url"_s);
    select(window, 1);

    window.Command7->click();

    QCOMPARE(plainMessages(platform).size(), 1);
    QCOMPARE(lines(window.List1), (QStringList{u"X"_s, longLine}));
    QCOMPARE(window.Text1->text(), u"unsaved banner"_s);
    QCOMPARE(window.Text3->text(), u"unsaved url"_s);
}

QTEST_MAIN(tst_entries)
#include "tst_entries.moc"
