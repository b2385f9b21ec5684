#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "main1/main1.h"
#include "text/cp932.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

QStringList filesIn(const QString& directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The inputs of the page kept as the golden file, typed into the window.
void fillExample(main1& window, const QString& baseDirectory)
{
    window.Label1->setText(baseDirectory);
    window.List1->addItems({u"banner1.gif：Site one：site1/index.html"_s,
                            u"banner2.gif：Site two<BR>diary：site2/index.html"_s});
    window.Option2->setChecked(true);
    window.Text7->setText(u"mybanner.gif"_s);
    window.Text8->setText(u"My page"_s);
    window.Text9->setText(u"index.html"_s);
}

} // namespace

// The page's lines and the choice of what goes where are pinned by tst_page; these show that the
// button hands the window's inputs over, reports, and puts a blank title back.
class tst_page_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    void pageIsWritten_data()
    {
        QTest::addColumn<QString>("title");    // as typed
        QTest::addColumn<QString>("fileName"); // as typed
        QTest::addColumn<QString>("shown");    // the title afterwards
        QTest::addColumn<QString>("written");  // the file in the base directory
        const QString standard = u"リ　ン　ク　集"_s;
        QTest::newRow("worked example") << standard << u"link.html"_s << standard << u"link.html"_s;
        QTest::newRow("blank title put back") << u" 　"_s << u"link.html"_s << standard << u"link.html"_s;
        QTest::newRow("title with spaces kept, file name trimmed")
            << u" Links "_s << u"  page.html　"_s << u" Links "_s << u"page.html"_s;
    }

    // Pressed twice: the same page both times, in the base directory.
    void pageIsWritten()
    {
        QFETCH(QString, title);
        QFETCH(QString, fileName);
        QFETCH(QString, shown);
        QFETCH(QString, written);
        QTemporaryDir base;
        FakePlatform platform;
        main1 window(platform);
        fillExample(window, base.path());
        window.Text6->setText(title);
        window.Text4->setText(fileName);

        window.Command4->click();
        const QByteArray first = readBytes(base.filePath(written));
        window.Command4->click();

        QCOMPARE(platform.messageTexts(), (QStringList{u"作成しました。"_s, u"作成しました。"_s}));
        QCOMPARE(filesIn(base.path()), QStringList{written});
        QCOMPARE(readBytes(base.filePath(written)), first);
        QCOMPARE(window.Text6->text(), shown);
        QCOMPARE(first.split('\n').value(16), cp932::encode(shown) + '\r'); // the heading
        if (written == u"link.html"_s)
            QCOMPARE(first, readBytes(QStringLiteral(SITELOOM_TEST_DATA "/page_example.html")));
    }

    // A refused or failed press writes nothing and shows one message: the text, for a failed
    // write also the page's path (%1 stands for the test directory) and the system's reason.
    void nothingWritten_data()
    {
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("base"); // relative to the test directory, which holds an empty "web";
                                           // null: none chosen yet
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty list") << false << u"web"_s << u"link.html"_s << u"項目を追加してください。"_s;
        QTest::newRow("empty list and empty name: list first")
            << false << u"web"_s << QString() << u"項目を追加してください。"_s;
        QTest::newRow("empty name") << true << u"web"_s << QString()
                                    << u"ｈｔｍｌファイル名を入れてください。"_s;
        QTest::newRow("base directory missing") << true << u"gone"_s << u"link.html"_s
                                                << u"ページを書き込めませんでした。\n%1/gone/link.html\n"_s;
        QTest::newRow("file name only blanks")
            << true << u"web"_s << u"  "_s << u"ページを書き込めませんでした。\n%1/web/\n"_s;
        // A name that cannot be written even by root, at the root where a page without a base
        // directory goes: the message says where to choose one.
        QTest::newRow("first run, no base directory chosen")
            << true << QString() << u"no-such-folder/link.html"_s
            << u"ページを書き込めませんでした。\n/no-such-folder/link.html\n"_s;
    }

    void nothingWritten()
    {
        QFETCH(bool, list);
        QFETCH(QString, base);
        QFETCH(QString, fileName);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"web"_s));
        FakePlatform platform;
        main1 window(platform);
        fillExample(window, base.isNull() ? QString() : dir.filePath(base));
        if (!list)
            window.List1->clear();
        window.Text4->setText(fileName);
        window.Text6->setText(u"  "_s);

        window.Command4->click();

        const QString expected = QDir::toNativeSeparators(message.replace(u"%1"_s, dir.path()));
        const QStringList shown = platform.messageTexts();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().left(expected.size()), expected);
        const bool failed = expected.endsWith(u'\n');
        QCOMPARE(shown.first().size() > expected.size(), failed); // the reason follows the path
        const QString hint = u"\n基準パソコンディレクトリがまだ指定されていません。"
                             u"「指定」ボタンで、ページを作るディレクトリを選んでください。"_s;
        QCOMPARE(shown.first().endsWith(hint), base.isNull());
        if (!failed)
            QCOMPARE(window.Text6->text(), u"  "_s);
        QCOMPARE(filesIn(dir.path()), QStringList{u"web"_s});
        QVERIFY(filesIn(dir.filePath(u"web"_s)).isEmpty());
    }
};

QTEST_MAIN(tst_page_window)
#include "tst_page_window.moc"
