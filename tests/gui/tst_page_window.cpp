#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "main1/main1.h"
#include "text/cp932.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// The inputs of the page kept as the golden file, typed into the window.
void fillExample(main1& window, const QString& baseDirectory)
{
    window.Label1->setText(baseDirectory);
    setListRows(window, {u"banner1.gif：Site one：site1/index.html"_s,
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

    // Pressed twice, the button writes the same page both times in the base directory. A refused or
    // failed press writes nothing and shows one message: the text, for a failed write also the page's
    // path and the system's reason. tst_commandline loads a list file for each other refusal and
    // compares the window's message with the command line's.
    void pressingHtml_data()
    {
        QTest::addColumn<bool>("list");
        QTest::addColumn<QString>("base"); // below the test directory, which holds an empty "web"; null: none
        QTest::addColumn<QString>("title");    // as typed
        QTest::addColumn<QString>("fileName"); // as typed
        QTest::addColumn<QString>("shown");    // the title afterwards
        QTest::addColumn<QString>("written");  // the file in the base directory; empty: refused
        QTest::addColumn<QString>("message");  // how the refusal begins
        const QString standard = u"リ　ン　ク　集"_s;
        const auto page = [](const char* name, const QString& title, const QString& fileName,
                             const QString& shown, const QString& written) {
            QTest::newRow(name) << true << u"web"_s << title << fileName << shown << written << QString();
        };
        page("worked example", standard, u"link.html"_s, standard, u"link.html"_s);
        page("blank title put back", u" 　"_s, u"link.html"_s, standard, u"link.html"_s);
        page("title with spaces kept, file name trimmed", u" Links "_s, u"  page.html　"_s, u" Links "_s,
             u"page.html"_s);
        // The blank title becomes the default one only once a page is written.
        const auto refused = [](const char* name, bool list, const QString& base, const QString& fileName,
                                const QString& message) {
            QTest::newRow(name) << list << base << u"  "_s << fileName << u"  "_s << QString() << message;
        };
        refused("empty list and empty name: list first", false, u"web"_s, QString(),
                u"項目を追加してください。"_s);
        refused("empty name", true, u"web"_s, QString(), u"ｈｔｍｌファイル名を入れてください。"_s);
        refused("file name going up a directory", true, u"web"_s, u"../link.html"_s,
                u"ｈｔｍｌファイル名「../link.html」には「/」を使えません。\n"
                u"ディレクトリを含めず、ファイル名だけを入れてください。"_s);
        refused("file name a dot", true, u"web"_s, u" . "_s,
                u"「.」はｈｔｍｌファイル名に使えません（ディレクトリを指す名前です）。\n"
                u"ファイル名を入れてください。"_s);
        // Without a base directory the page goes to the root; a directory standing at its name stops
        // it even for root, and the message says where to choose a base directory.
        refused("first run, no base directory chosen", true, QString(), u"tmp"_s,
                u"ページを書き込めませんでした。\n/tmp\n"_s);
    }

    void pressingHtml()
    {
        QFETCH(bool, list);
        QFETCH(QString, base);
        QFETCH(QString, title);
        QFETCH(QString, fileName);
        QFETCH(QString, shown);
        QFETCH(QString, written);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QDir web(dir.filePath(u"web"_s));
        QVERIFY(QDir(dir.path()).mkdir(u"web"_s));
        FakePlatform platform;
        main1 window(platform);
        fillExample(window, base.isNull() ? QString() : dir.filePath(base));
        if (!list)
            setListRows(window, {});
        window.Text6->setText(title);
        window.Text4->setText(fileName);

        window.Command4->click();

        QCOMPARE(window.Text6->text(), shown);
        QCOMPARE(filesIn(dir.path()), QStringList{u"web"_s});
        if (!written.isEmpty()) {
            const QByteArray first = readBytes(web.filePath(written));
            window.Command4->click();
            QCOMPARE(platform.messageTexts(), (QStringList{u"作成しました。"_s, u"作成しました。"_s}));
            QCOMPARE(filesIn(web.path()), QStringList{written});
            QCOMPARE(readBytes(web.filePath(written)), first);
            QCOMPARE(first.split('\n').value(16), cp932::encode(shown) + '\r'); // the heading
            if (written == u"link.html"_s)
                QCOMPARE(first, readBytes(QStringLiteral(SITELOOM_TEST_DATA "/page_example.html")));
            return;
        }
        const QStringList messages = platform.messageTexts();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().left(message.size()), message);
        const bool failed = message.endsWith(u'\n');
        QCOMPARE(messages.first().size() > message.size(), failed); // the reason follows the path
        const QString hint = u"\n基準パソコンディレクトリがまだ指定されていません。"
                             u"「指定」ボタンで、ページを作るディレクトリを選んでください。"_s;
        QCOMPARE(messages.first().endsWith(hint), base.isNull());
        QVERIFY(filesIn(web.path()).isEmpty());
    }

    // The list file last saved is kept from the page as the one last loaded is (tst_commandline
    // tries the ways a name can reach a loaded one): by its own name and through a symbolic link.
    // Once another list file is saved, the first is an ordinary file again.
    void pageNeverReplacesTheSavedListFile()
    {
        QTemporaryDir dir;
        const QDir top(dir.path());
        FakePlatform platform;
        main1 window(platform);
        fillExample(window, dir.path());
        const QString listPath = top.filePath(u"list.txt"_s);
        platform.fileNames.enqueue(listPath);
        window.fsave->trigger();
        const QByteArray saved = readBytes(listPath);
        QVERIFY(!saved.isEmpty());
        QVERIFY(QFile::link(listPath, top.filePath(u"alias.html"_s)));

        window.Text4->setText(u"list.txt"_s);
        window.Command4->click();
        window.Text4->setText(u"alias.html"_s);
        window.Command4->click();
        const QString refused =
            u"ｈｔｍｌファイル名がリストファイルと同じファイルを指しているため、ページを書き込みませんでした"
            u"（リストファイルが消えてしまいます）。\n%1\n別のｈｔｍｌファイル名を入れてください。"_s;
        QCOMPARE(platform.messageTexts(),
                 (QStringList{u"書込み完了"_s, refused.arg(QDir::toNativeSeparators(listPath)),
                              refused.arg(QDir::toNativeSeparators(top.filePath(u"alias.html"_s)))}));
        QCOMPARE(readBytes(listPath), saved);

        platform.fileNames.enqueue(top.filePath(u"other.txt"_s));
        window.fsave->trigger();
        window.Text4->setText(u"list.txt"_s);
        window.Command4->click();
        QCOMPARE(platform.messageTexts().mid(3), (QStringList{u"書込み完了"_s, u"作成しました。"_s}));
        QVERIFY(readBytes(listPath).startsWith("<HTML>"));
    }
};

QTEST_MAIN(tst_page_window)
#include "tst_page_window.moc"
