#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "main/main1.h"
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
    window.List1->addItem(u"banner1.gif：Site one：site1/index.html"_s);
    window.List1->addItem(u"banner2.gif：Site two<BR>diary：site2/index.html"_s);
    window.Option2->setChecked(true);
    window.Text7->setText(u"mybanner.gif"_s);
    window.Text8->setText(u"My page"_s);
    window.Text9->setText(u"index.html"_s);
}

} // namespace

class tst_page_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void pageGoesIntoTheBaseDirectory();
    void pressingTwiceWritesTheSameFile();
    void nothingWrittenWithoutEntriesOrName_data();
    void nothingWrittenWithoutEntriesOrName();
    void blankTitleIsPutBack_data();
    void blankTitleIsPutBack();
    void fileNameIsTrimmed();
    void failedWriteIsReported_data();
    void failedWriteIsReported();

private:
    QString m_startDirectory = QDir::currentPath();
};

void tst_page_window::initTestCase()
{
    prepareGuiTest();
}

void tst_page_window::cleanup()
{
    QVERIFY(QDir::setCurrent(m_startDirectory));
}

void tst_page_window::pageGoesIntoTheBaseDirectory()
{
    QTemporaryDir base;
    QTemporaryDir elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    FakePlatform platform;
    main1 window(platform);
    fillExample(window, base.path());

    window.Command4->click();

    QCOMPARE(platform.messageTexts(), QStringList{u"作成しました。"_s});
    QCOMPARE(platform.messages.first().title, QString::fromUtf16(applicationTitle));
    QCOMPARE(readBytes(base.filePath(u"link.html"_s)),
             readBytes(QStringLiteral(SITELOOM_TEST_DATA "/page_example.html")));
    QCOMPARE(filesIn(base.path()), QStringList{u"link.html"_s});
    QVERIFY(filesIn(elsewhere.path()).isEmpty());
    QCOMPARE(window.Text6->text(), u"リ　ン　ク　集"_s);
    QCOMPARE(window.List1->count(), 2);
}

void tst_page_window::pressingTwiceWritesTheSameFile()
{
    QTemporaryDir base;
    FakePlatform platform;
    main1 window(platform);
    fillExample(window, base.path() + u"/"_s);
    window.List1->addItem(u"：😀 <b>é</b>：site3/"_s);

    window.Command4->click();
    const QByteArray first = readBytes(base.filePath(u"link.html"_s));
    window.Command4->click();

    QCOMPARE(platform.messageTexts(), (QStringList{u"作成しました。"_s, u"作成しました。"_s}));
    QVERIFY(first.contains("<B>&#128512; <b>&#233;</b></B>"));
    QCOMPARE(readBytes(base.filePath(u"link.html"_s)), first);
    QCOMPARE(filesIn(base.path()), QStringList{u"link.html"_s});
}

void tst_page_window::nothingWrittenWithoutEntriesOrName_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty list") << 0 << u"link.html"_s << u"項目を追加してください。"_s;
    QTest::newRow("empty list and empty name: list first") << 0 << QString() << u"項目を追加してください。"_s;
    QTest::newRow("empty name") << 1 << QString() << u"ｈｔｍｌファイル名を入れてください。"_s;
}

void tst_page_window::nothingWrittenWithoutEntriesOrName()
{
    QFETCH(int, entries);
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    QTemporaryDir base;
    FakePlatform platform;
    main1 window(platform);
    window.Label1->setText(base.path());
    for (int i = 0; i < entries; ++i)
        window.List1->addItem(u"b.gif：Site：s.html"_s);
    window.Text4->setText(fileName);
    window.Text6->setText(u"  "_s);

    window.Command4->click();

    QCOMPARE(platform.messageTexts(), QStringList{message});
    QVERIFY(filesIn(base.path()).isEmpty());
    QCOMPARE(window.Text6->text(), u"  "_s);
}

void tst_page_window::blankTitleIsPutBack_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << QString() << u"リ　ン　ク　集"_s;
    QTest::newRow("spaces") << u"   "_s << u"リ　ン　ク　集"_s;
    QTest::newRow("ideographic spaces") << u"　　"_s << u"リ　ン　ク　集"_s;
    QTest::newRow("title with spaces kept") << u" Links "_s << u" Links "_s;
}

void tst_page_window::blankTitleIsPutBack()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QTemporaryDir base;
    FakePlatform platform;
    main1 window(platform);
    fillExample(window, base.path());
    window.Text6->setText(typed);

    window.Command4->click();

    QCOMPARE(platform.messageTexts(), QStringList{u"作成しました。"_s});
    QCOMPARE(window.Text6->text(), shown);
    // The heading carries the title the window shows.
    QCOMPARE(readBytes(base.filePath(u"link.html"_s)).split('\n').value(16), cp932::encode(shown) + '\r');
}

void tst_page_window::fileNameIsTrimmed()
{
    QTemporaryDir base;
    FakePlatform platform;
    main1 window(platform);
    fillExample(window, base.path());
    window.Text4->setText(u"  page.html　"_s);

    window.Command4->click();

    QCOMPARE(platform.messageTexts(), QStringList{u"作成しました。"_s});
    QCOMPARE(filesIn(base.path()), QStringList{u"page.html"_s});
    QCOMPARE(window.Text4->text(), u"  page.html　"_s);
}

void tst_page_window::failedWriteIsReported_data()
{
    QTest::addColumn<QString>("base");     // relative to the test directory
    QTest::addColumn<QString>("fileName"); // as typed
    QTest::addColumn<QString>("path");     // relative to the test directory
    QTest::newRow("base directory missing") << u"gone"_s << u"link.html"_s << u"gone/link.html"_s;
    QTest::newRow("file name only blanks") << u"web"_s << u"  "_s << u"web/"_s;
}

void tst_page_window::failedWriteIsReported()
{
    QFETCH(QString, base);
    QFETCH(QString, fileName);
    QFETCH(QString, path);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"web"_s));
    FakePlatform platform;
    main1 window(platform);
    fillExample(window, dir.filePath(base));
    window.Text4->setText(fileName);

    window.Command4->click();

    const QStringList messages = platform.messageTexts();
    QCOMPARE(messages.size(), 1);
    const QStringList parts = messages.first().split(u'\n');
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts.at(0), u"ページを書き込めませんでした。"_s);
    QCOMPARE(parts.at(1), QDir::toNativeSeparators(dir.filePath(path)));
    QVERIFY(!parts.at(2).isEmpty());
    QCOMPARE(filesIn(dir.path()), QStringList{u"web"_s});
    QVERIFY(filesIn(dir.filePath(u"web"_s)).isEmpty());
}

QTEST_MAIN(tst_page_window)
#include "tst_page_window.moc"
