#include "fakeplatform.h"
#include "guitest.h"
#include "linkentry/linkentry.h"
#include "main1/entrylistview.h"
#include "main1/main1.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString defaultBanner = QString::fromUtf16(defaultBannerUrl);
const QString pickALine = u"リンクＨＰリストから項目を選んでください。"_s;
const QString twoOrMore = u"２項目以上入れてください。"_s;

QStringList fields(const main1& window)
{
    return {window.Text1->text(), window.Text2->text(), window.Text3->text()};
}

void fill(main1& window, const QString& banner, const QString& name, const QString& url)
{
    window.Text1->setText(banner);
    window.Text2->setText(name);
    window.Text3->setText(url);
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

} // namespace

class tst_entries : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    void addChecksTheFields_data()
    {
        QTest::addColumn<QString>("banner");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("entry");       // empty: refused
        QTest::addColumn<QString>("bannerAfter"); // what Text1 holds after a refusal

        const QString b = u"http://a.jp/b.gif"_s;
        const QString u = u"http://a.jp/"_s;
        QTest::newRow("all fields at their start texts")
            << u"http://"_s << QString() << u"http://"_s << QString() << defaultBanner;
        QTest::newRow("banner left at start text takes the default")
            << u"http://"_s << u"そよか"_s << u << defaultBanner + u"：そよか：http://a.jp/"_s << QString();
        QTest::newRow("surrogate pairs count as one character")
            << u"𠮷𠮷𠮷𠮷"_s << u"n"_s << u << defaultBanner + u"：n：http://a.jp/"_s << QString();
        QTest::newRow("banner of eight spaces kept and trimmed empty")
            << u"        "_s << u"n"_s << u << u"：n：http://a.jp/"_s << QString();
        QTest::newRow("urls trimmed of ascii and ideographic spaces")
            << u" 　http://a.jp/b.gif "_s << u"n"_s << u"　http://a.jp/ 　"_s << b + u"：n：http://a.jp/"_s
            << QString();
        QTest::newRow("site url of start text and two spaces")
            << b << u"n"_s << u"http://  "_s << b + u"：n：http://"_s << QString();
        QTest::newRow("site url of eight characters")
            << b << u"n"_s << u"ドメイン名.日本"_s << b + u"：n：ドメイン名.日本"_s << QString();
        QTest::newRow("site url left at start text") << b << u"n"_s << u"http://"_s << QString() << b;
        QTest::newRow("empty site name") << b << QString() << u << QString() << b;
        QTest::newRow("site name of one space kept")
            << b << u" "_s << u << b + u"： ：http://a.jp/"_s << QString();
    }

    // The entry goes to the end whatever line is selected, and the selection stays.
    void addChecksTheFields()
    {
        QFETCH(QString, banner);
        QFETCH(QString, name);
        QFETCH(QString, url);
        QFETCH(QString, entry);
        QFETCH(QString, bannerAfter);
        FakePlatform platform;
        main1 window(platform);
        const QStringList before{u"X"_s, u"Y"_s, u"Z"_s};
        setListRows(window, before);
        selectListRow(window, 1);
        fill(window, banner, name, url);

        window.Command2->click();

        if (entry.isEmpty()) {
            QCOMPARE(plainMessages(platform), QStringList{u"項目にデータを入れてください"_s});
            QCOMPARE(listRows(window), before);
            QCOMPARE(fields(window), (QStringList{bannerAfter, name, url}));
        } else {
            QCOMPARE(plainMessages(platform), QStringList());
            QCOMPARE(listRows(window), before + QStringList{entry});
            QCOMPARE(fields(window), (QStringList{u"http://"_s, QString(), u"http://"_s}));
        }
        QCOMPARE(listCurrentRow(window), 1);
        QCOMPARE(listSelectedRows(window), QList<int>{1});
    }

    // Lists are written as their lines' letters, "XYZ" for the lines X, Y and Z.
    void editingTheList_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("selected"); // -1: none
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("message"); // empty: none
        const QString none = u"項目を入れてください。"_s;
        const QString pickToDelete = u"削除する項目をリンクＨＰリストから選んでください。"_s;
        QTest::newRow("delete on empty list") << u"Command3"_s << u""_s << -1 << u""_s << none;
        QTest::newRow("delete without selection")
            << u"Command3"_s << u"XYZ"_s << -1 << u"XYZ"_s << pickToDelete;
        QTest::newRow("delete middle line") << u"Command3"_s << u"XYZ"_s << 1 << u"XZ"_s << QString();
        QTest::newRow("delete last line") << u"Command3"_s << u"XYZ"_s << 2 << u"XY"_s << QString();
        QTest::newRow("delete only line") << u"Command3"_s << u"X"_s << 0 << u""_s << QString();
        // The Delete key on the list is the button.
        QTest::newRow("key without selection") << u"Delete"_s << u"XYZ"_s << -1 << u"XYZ"_s << pickToDelete;
        QTest::newRow("key on middle line") << u"Delete"_s << u"XYZ"_s << 1 << u"XZ"_s << QString();
        QTest::newRow("edit on empty list") << u"Command7"_s << u""_s << -1 << u""_s << pickALine;
        QTest::newRow("edit without selection") << u"Command7"_s << u"XYZ"_s << -1 << u"XYZ"_s << pickALine;
        QTest::newRow("up on empty list") << u"Command5"_s << u""_s << -1 << u""_s << twoOrMore;
        QTest::newRow("up without selection") << u"Command5"_s << u"XYZ"_s << -1 << u"XYZ"_s << pickALine;
        QTest::newRow("up at the top") << u"Command5"_s << u"XYZ"_s << 0 << u"XYZ"_s << QString();
        QTest::newRow("up from the bottom") << u"Command5"_s << u"XYZ"_s << 2 << u"XZY"_s << QString();
        QTest::newRow("up of equal lines") << u"Command5"_s << u"XXY"_s << 2 << u"XYX"_s << QString();
        QTest::newRow("down with one selected line") << u"Command6"_s << u"X"_s << 0 << u"X"_s << twoOrMore;
        QTest::newRow("down at the bottom") << u"Command6"_s << u"XYZ"_s << 2 << u"XYZ"_s << QString();
        QTest::newRow("down from the top") << u"Command6"_s << u"XYZ"_s << 0 << u"YXZ"_s << QString();
    }

    // Delete (button and key), edit and the moves: the checks in their order with their messages, and
    // afterwards the next line selected after a deletion, no line after the others, unless nothing
    // happened.
    void editingTheList()
    {
        QFETCH(QString, button);
        QFETCH(QString, before);
        QFETCH(int, selected);
        QFETCH(QString, after);
        QFETCH(QString, message);
        FakePlatform platform;
        main1 window(platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        setListRows(window, before.split(QString(), Qt::SkipEmptyParts));
        // Without a selection the cursor still rests on a line, which must not count as selected.
        const int current = selected >= 0 ? selected : std::min(1, int(before.size()) - 1);
        if (selected >= 0)
            selectListRow(window, selected);
        else if (current >= 0)
            window.List1->selectionModel()->setCurrentIndex(window.List1->model()->index(current, 0),
                                                            QItemSelectionModel::NoUpdate);

        if (button == u"Delete"_s) {
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            window.List1->setFocus();
            QTest::keyClick(window.List1, Qt::Key_Delete);
        } else {
            control<QPushButton>(&window, button)->click();
        }
        QCoreApplication::processEvents();

        QCOMPARE(plainMessages(platform), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(listRows(window).join(QString()), after);
        const bool changed = after != before;
        // After a deletion the entry that took the deleted one's place is selected, or the new last.
        const bool deleted = changed && (button == u"Command3"_s || button == u"Delete"_s);
        const int next = deleted ? std::min(selected, int(after.size()) - 1) : -1;
        QCOMPARE(listCurrentRow(window), changed ? next : current);
        QCOMPARE(listSelectedRows(window).size(), changed ? (next >= 0 ? 1 : 0) : (selected < 0 ? 0 : 1));
    }

    // The split is pinned by tst_linkentry; these show the fields are overwritten as the line holds
    // them, untrimmed and empty where a field is missing, while the other tab stays in front. A line
    // longer than a field holds (only a hand-edited list file brings one) would lose its end in the
    // field; it stays in the list instead.
    void editFillsTheFieldsOfTheHiddenTab_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("three fields")
            << u"http://a.jp/b.gif：そよか：http://a.jp/：続き"_s
            << QStringList{u"http://a.jp/b.gif"_s, u"そよか"_s, u"http://a.jp/：続き"_s} << QStringList();
        QTest::newRow("spaces kept untrimmed")
            << u" b　： n ：　u "_s << QStringList{u" b　"_s, u" n "_s, u"　u "_s} << QStringList();
        QTest::newRow("one separator")
            << u"b.gif：name only"_s << QStringList{u"b.gif"_s, u"name only"_s, QString()} << QStringList();
        QTest::newRow("site URL longer than its field")
            << u"b：n："_s + QString(QLineEdit().maxLength() + 1, u'u') << QStringList{u"b"_s, u"n"_s, u"u"_s}
            << QStringList{u"この項目は長すぎて入力欄に入りきらないため、編集できません。"_s};
    }

    void editFillsTheFieldsOfTheHiddenTab()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, messages);
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {u"X"_s, line, u"Z"_s});
        fill(window, u"b"_s, u"n"_s, u"u"_s);
        window.SSTab1->setCurrentIndex(1);
        selectListRow(window, 1);

        window.Command7->click();

        QCOMPARE(plainMessages(platform), messages);
        QCOMPARE(fields(window), expected);
        const QStringList left =
            messages.isEmpty() ? QStringList{u"X"_s, u"Z"_s} : QStringList{u"X"_s, line, u"Z"_s};
        QCOMPARE(listRows(window), left);
        QCOMPARE(window.List1->selectionModel()->hasSelection(), !messages.isEmpty());
        QCOMPARE(window.SSTab1->currentIndex(), 1);
        QCOMPARE(window.Text7->text(), u"http://"_s);
    }
};

QTEST_MAIN(tst_entries)
#include "tst_entries.moc"
