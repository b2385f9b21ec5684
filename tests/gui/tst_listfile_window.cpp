#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "listfile/listfile.h"
#include "main/main1.h"
#include "main/main1_messages.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString examplePath = QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt");

QRadioButton* option(main1& window, int choice)
{
    return control<QRadioButton>(&window, u"Option%1"_s.arg(choice));
}

// Everything the user can see of the window's inputs, one line each, so that a difference shows
// exactly which control changed.
QStringList snapshot(main1& window)
{
    QStringList lines;
    for (int i = 0; i < window.List1->count(); ++i)
        lines.append(u"List1[%1]="_s.arg(i) + window.List1->item(i)->text());
    lines.append(u"selected=%1"_s.arg(window.List1->selectedItems().size()));
    for (int i = 1; i <= 9; ++i) {
        lines.append(u"Text%1="_s.arg(i) + control<QLineEdit>(&window, u"Text%1"_s.arg(i))->text());
        lines.append(u"Option%1=%2"_s.arg(i).arg(option(window, i)->isChecked()));
    }
    lines.append(u"tab=%1"_s.arg(window.SSTab1->currentIndex()));
    return lines;
}

// A window in a state that shares nothing with the example file: its own list with a selection,
// every field changed, the eighth background, the second tab shown.
void fillOtherState(main1& window)
{
    window.List1->addItems({u"old：entry：one"_s, u"old：entry：two"_s, u"old：entry：three"_s});
    window.List1->setCurrentRow(1);
    for (int i = 1; i <= 9; ++i)
        control<QLineEdit>(&window, u"Text%1"_s.arg(i))->setText(u"old %1"_s.arg(i));
    window.Option8->setChecked(true);
    window.SSTab1->setCurrentIndex(1);
}

void fillExample(main1& window)
{
    window.List1->addItems(
        {u"img/banner1.gif：サイトＡ：site1/index.html"_s, u"img/banner2.gif：サイトＢ：site2/index.html"_s});
    window.Option3->setChecked(true);
}

} // namespace

class tst_listfile_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void saveWritesTheExample();
    void saveEmptyListAsksForEntries();
    void dialogWithoutAName_data();
    void dialogWithoutAName();
    void saveWithMissingBaseDirectory();
    void saveThatFails_data();
    void saveThatFails();
    void saveUnencodableText_data();
    void saveUnencodableText();
    void loadTheExampleIntoAnotherState();
    void loadThatFails_data();
    void loadThatFails();
    void messagesNameTheWindowsBoxes_data();
    void messagesNameTheWindowsBoxes();
    void loadSetsOnlyWhatTheFileHolds();
    void loadFileEndingInsideTheBlock();
    void largeListRoundTrip();
    void pastedLineBreaksAreDropped_data();
    void pastedLineBreaksAreDropped();

private:
    QString m_startDirectory;
    QTemporaryDir* m_dir = nullptr;
};

void tst_listfile_window::initTestCase()
{
    prepareGuiTest();
    m_startDirectory = QDir::currentPath();
}

void tst_listfile_window::init()
{
    QVERIFY(QDir::setCurrent(m_startDirectory));
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void tst_listfile_window::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
    QVERIFY(QDir::setCurrent(m_startDirectory));
}

void tst_listfile_window::saveWritesTheExample()
{
    FakePlatform platform;
    main1 window(platform);
    fillExample(window);
    window.List1->setCurrentRow(0);
    const QString base = QDir(m_dir->path()).canonicalPath();
    window.Label1->setText(base);
    const QStringList before = snapshot(window);

    platform.fileNames.enqueue(base + u"/saved.txt"_s);
    window.fsave->trigger();

    QCOMPARE(platform.messageTexts(), QStringList{u"書込み完了"_s});
    QCOMPARE(readBytes(base + u"/saved.txt"_s), readBytes(examplePath));
    QCOMPARE(platform.saveRequests.size(), 1);
    const FileDialogRequest& request = platform.saveRequests.constFirst();
    QCOMPARE(request.filters, (QStringList{u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_s, u"All Files (*)"_s}));
    QCOMPARE(request.fileName, u"link.txt"_s);
    QCOMPARE(request.directory, base);
    QCOMPARE(QDir::currentPath(), base);
    QCOMPARE(snapshot(window), before);
}

void tst_listfile_window::saveEmptyListAsksForEntries()
{
    FakePlatform platform;
    main1 window(platform);
    window.Label1->setText(m_dir->path());
    platform.fileNames.enqueue(m_dir->filePath(u"link.txt"_s));
    window.fsave->trigger();
    QCOMPARE(platform.messageTexts(), QStringList{u"リストに項目を追加してください。"_s});
    QVERIFY(platform.saveRequests.isEmpty());
    QCOMPARE(QDir::currentPath(), m_startDirectory);
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void tst_listfile_window::saveWithMissingBaseDirectory()
{
    FakePlatform platform;
    main1 window(platform);
    fillExample(window);
    window.Label1->setText(m_dir->filePath(u"gone/away"_s));
    const QString target = m_dir->filePath(u"link.txt"_s);
    platform.fileNames.enqueue(target);
    window.fsave->trigger();
    QCOMPARE(platform.saveRequests.constFirst().directory, m_startDirectory);
    QCOMPARE(platform.messageTexts(), QStringList{u"書込み完了"_s});
    QCOMPARE(readBytes(target), readBytes(examplePath));
}

void tst_listfile_window::saveThatFails_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing directory") << u"missing/link.txt"_s;
    QTest::newRow("a directory in the way") << u"folder"_s;
}

void tst_listfile_window::saveThatFails()
{
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_s));
    FakePlatform platform;
    main1 window(platform);
    fillExample(window);
    const QStringList before = snapshot(window);
    const QString path = m_dir->filePath(name);
    platform.fileNames.enqueue(path);
    window.fsave->trigger();

    QCOMPARE(platform.messages.size(), 1);
    const QString text = platform.messages.constFirst().text;
    QVERIFY2(text.startsWith(u"ファイルを保存できませんでした。"_s), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    QCOMPARE(platform.messages.constFirst().title, u"siteloom"_s);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{u"folder"_s});
    QCOMPARE(snapshot(window), before);
}

void tst_listfile_window::saveUnencodableText_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("second entry")
        << u"List1"_s << u"a：한：b"_s
        << u"リストの2番目の項目に、ファイルに保存できない文字「한」（U+D55C）があるため、"_s;
    QTest::newRow("page title") << u"Text6"_s << u"リンク😀"_s
                                << u"「トップのタイトル名」に、"_s
                                   u"ファイルに保存できない文字「😀」（U+1F600）"_s;
    QTest::newRow("file name") << u"Text4"_s << u"€.html"_s << u"「作成ﾌｧｲﾙ名を入れる」に、"_s;
    QTest::newRow("background image") << u"Text5"_s << u"€.gif"_s << u"「ＨＰ色（背景）指定 ﾌｧｲﾙ指定」に、"_s;
    QTest::newRow("own banner") << u"Text7"_s << u"€.gif"_s << u"「自分のＨＰ情報 バナーＵＲＬ」に、"_s;
    QTest::newRow("own name") << u"Text8"_s << u"€"_s << u"「自分のＨＰ情報 ＨＰ名または、ＨＰ説明」に、"_s;
    QTest::newRow("own url") << u"Text9"_s << u"€"_s << u"「自分のＨＰ情報 登録するＵＲＬ」に、"_s;
    QTest::newRow("NUL in the title") << u"Text6"_s << u"a"_s + QChar(0)
                                      << u"「トップのタイトル名」に、ファイルに保存できない文字（U+0000）"_s;
}

void tst_listfile_window::saveUnencodableText()
{
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    FakePlatform platform;
    main1 window(platform);
    fillExample(window);
    if (control == u"List1"_s)
        window.List1->item(1)->setText(text);
    else
        ::control<QLineEdit>(&window, control)->setText(text);
    const QString path = m_dir->filePath(u"link.txt"_s);
    QVERIFY(writeBytes(path, "old\r\n"));
    const QStringList before = snapshot(window);
    platform.fileNames.enqueue(path);
    window.fsave->trigger();

    QCOMPARE(platform.messages.size(), 1);
    QVERIFY2(platform.messages.constFirst().text.startsWith(expected),
             qPrintable(platform.messages.constFirst().text));
    QVERIFY(platform.saveRequests.isEmpty());
    QCOMPARE(readBytes(path), "old\r\n");
    QCOMPARE(snapshot(window), before);
}

void tst_listfile_window::loadTheExampleIntoAnotherState()
{
    FakePlatform platform;
    main1 window(platform);
    fillOtherState(window);
    window.Text1->setText(u"typed banner"_s);
    window.Label1->setText(m_dir->path());
    platform.fileNames.enqueue(examplePath);
    window.fload->trigger();

    QCOMPARE(platform.messageTexts(), QStringList{u"読込み完了"_s});
    const FileDialogRequest& request = platform.openRequests.constFirst();
    QCOMPARE(request.filters, (QStringList{u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_s, u"All Files (*)"_s}));
    QCOMPARE(request.fileName, u"link.txt"_s);
    QCOMPARE(request.directory, m_startDirectory);
    QCOMPARE(QDir::currentPath(), m_startDirectory);
    const QStringList expected = {u"List1[0]=img/banner1.gif：サイトＡ：site1/index.html"_s,
                                  u"List1[1]=img/banner2.gif：サイトＢ：site2/index.html"_s,
                                  u"selected=0"_s,
                                  u"Text1=typed banner"_s,
                                  u"Option1=0"_s,
                                  u"Text2=old 2"_s,
                                  u"Option2=0"_s,
                                  u"Text3=old 3"_s,
                                  u"Option3=1"_s,
                                  u"Text4=link.html"_s,
                                  u"Option4=0"_s,
                                  u"Text5=http://"_s,
                                  u"Option5=0"_s,
                                  u"Text6=リ　ン　ク　集"_s,
                                  u"Option6=0"_s,
                                  u"Text7=http://"_s,
                                  u"Option7=0"_s,
                                  u"Text8="_s,
                                  u"Option8=0"_s,
                                  u"Text9=http://"_s,
                                  u"Option9=0"_s,
                                  u"tab=1"_s};
    QCOMPARE(snapshot(window), expected);
    QCOMPARE(window.List1->currentRow(), -1);
}

// A cancelled dialog gives an empty name; a name too short to be a path is taken the same way.
void tst_listfile_window::dialogWithoutAName_data()
{
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QString>("name");
    for (const bool saving : {true, false}) {
        const char* action = saving ? "save" : "load";
        QTest::addRow("%s: cancelled dialog", action) << saving << QString();
        QTest::addRow("%s: name of three characters", action) << saving << u"a.t"_s;
    }
}

void tst_listfile_window::dialogWithoutAName()
{
    QFETCH(bool, saving);
    QFETCH(QString, name);
    FakePlatform platform;
    main1 window(platform);
    fillOtherState(window);
    const QStringList before = snapshot(window);
    if (!name.isEmpty())
        platform.fileNames.enqueue(name);
    QVERIFY(QDir::setCurrent(m_dir->path()));
    (saving ? window.fsave : window.fload)->trigger();
    QCOMPARE(platform.saveRequests.size() + platform.openRequests.size(), 1);
    QVERIFY(platform.messages.isEmpty());
    QVERIFY(QDir(m_dir->path()).isEmpty());
    QCOMPARE(snapshot(window), before);
}

void tst_listfile_window::loadThatFails_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // written to the name unless null
    QTest::addColumn<QString>("expected");
    const QString unreadable = u"ファイルを読み込めませんでした。"_s;
    QTest::newRow("missing file") << u"missing.txt"_s << QByteArray() << unreadable;
    QTest::newRow("a directory") << u"folder"_s << QByteArray() << unreadable;
    QTest::newRow("saved as UTF-8") << u"utf8.txt"_s << u"list1=001\r\nls000=サイト\r\n"_s.toUtf8()
                                    << u"\nShift_JIS（CP932）のテキストファイルではありません。"_s;
    QTest::newRow("lead byte cut off") << u"cut.txt"_s << QByteArray("list1=000\r\nte006=\x82")
                                       << u"\nShift_JIS（CP932）のテキストファイルではありません。"_s;
    const QString utf8 = u"\nUTF-8 で保存されたファイルのようです。"_s;
    QTest::newRow("UTF-8 that is also valid Shift_JIS")
        << u"hello.txt"_s << u"list1=001\r\nls000=こんにちは\r\n"_s.toUtf8() << utf8;
    QTest::newRow("UTF-8 with a byte-order mark")
        << u"bom.txt"_s << QByteArray("\xEF\xBB\xBFte006=T\r\n") << utf8;
    QTest::newRow("NUL bytes") << u"nul.bin"_s << QByteArray("te006=a\0b\r\n", 11)
                               << u"\nテキストファイルではありません（NUL 文字を含んでいます）。"_s;
    QTest::newRow("title longer than its box")
        << u"title.txt"_s << QByteArray("te006=") + QByteArray(40000, 'T')
        << u"\n「トップのタイトル名」が長すぎます（40000文字。入力欄には32767文字までしか入りません）。"_s;
    QTest::newRow("entry whose site name is longer than its box")
        << u"entry.txt"_s
        << QByteArray("list1=002\r\nls000=a\x81\x46"
                      "b\x81\x46"
                      "c\r\nls001=a\x81\x46") +
               QByteArray(32768, 'n') + QByteArray("\x81\x46\x63\r\n")
        << u"\nリストの2番目の項目が長すぎます（32768文字。入力欄には32767文字までしか入りません）。"_s;
}

void tst_listfile_window::loadThatFails()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_s));
    const QString path = m_dir->filePath(name);
    if (!bytes.isNull())
        QVERIFY(writeBytes(path, bytes));
    FakePlatform platform;
    main1 window(platform);
    fillOtherState(window);
    const QStringList before = snapshot(window);
    platform.fileNames.enqueue(path);
    window.fload->trigger();

    QCOMPARE(platform.messages.size(), 1);
    const QString text = platform.messages.constFirst().text;
    QVERIFY2(text.startsWith(u"ファイルを読み込めませんでした。"_s) && text.contains(expected),
             qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    QCOMPARE(snapshot(window), before);
}

// The messages about a field of the list file, which the command line shows too, name its box by
// the captions the window shows (the frame's title first where both tabs have the same caption),
// and measure a value against what the box holds.
void tst_listfile_window::messagesNameTheWindowsBoxes_data()
{
    QTest::addColumn<ListFileField>("field");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");        // the frame whose title comes first, if any
    QTest::addColumn<QStringList>("captions"); // the controls whose texts follow, joined

    QTest::newRow("file name") << ListFileField::FileName << u"Text4"_s << QString()
                               << QStringList{u"Label14"_s};
    QTest::newRow("background image")
        << ListFileField::BackgroundImage << u"Text5"_s << u"Frame3"_s << QStringList{u"Option9"_s};
    QTest::newRow("title") << ListFileField::Title << u"Text6"_s << QString() << QStringList{u"Label19"_s};
    QTest::newRow("own banner") << ListFileField::OwnBanner << u"Text7"_s << u"Frame4"_s
                                << QStringList{u"Label20"_s};
    QTest::newRow("own name") << ListFileField::OwnName << u"Text8"_s << u"Frame4"_s
                              << QStringList{u"Label21"_s, u"Label26"_s};
    QTest::newRow("own url") << ListFileField::OwnUrl << u"Text9"_s << u"Frame4"_s
                             << QStringList{u"Label22"_s};
}

void tst_listfile_window::messagesNameTheWindowsBoxes()
{
    QFETCH(ListFileField, field);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QStringList, captions);
    FakePlatform platform;
    main1 window(platform);
    QString expected = frame.isEmpty() ? QString() : control<QGroupBox>(&window, frame)->title() + u' ';
    for (const QString& name : std::as_const(captions)) {
        auto* widget = control<QWidget>(&window, name);
        if (auto* label = qobject_cast<QLabel*>(widget))
            expected += label->text();
        else
            expected += qobject_cast<QAbstractButton*>(widget)->text();
    }
    QCOMPARE(listFileFieldCaption(field), expected);
    QCOMPARE(control<QLineEdit>(&window, box)->maxLength(), textBoxCapacity);
    for (const char* entryBox : {"Text1", "Text2", "Text3"})
        QCOMPARE(control<QLineEdit>(&window, QString::fromLatin1(entryBox))->maxLength(), textBoxCapacity);
}

void tst_listfile_window::loadSetsOnlyWhatTheFileHolds()
{
    FakePlatform platform;
    main1 window(platform);
    fillOtherState(window);
    QStringList expected = snapshot(window);
    const QString path = m_dir->filePath(u"part.txt"_s);
    QVERIFY(writeBytes(path, "te006=T\r\nte008\r\nunknown=1\r\n"));
    platform.fileNames.enqueue(path);
    window.fload->trigger();

    QCOMPARE(platform.messageTexts(), QStringList{u"読込み完了"_s});
    expected.replace(expected.indexOf(u"Text6=old 6"_s), u"Text6=T"_s);
    expected.replace(expected.indexOf(u"Text8=old 8"_s), u"Text8="_s);
    QCOMPARE(snapshot(window), expected);
}

void tst_listfile_window::loadFileEndingInsideTheBlock()
{
    FakePlatform platform;
    main1 window(platform);
    fillOtherState(window);
    const QString path = m_dir->filePath(u"short.txt"_s);
    QVERIFY(writeBytes(path, "te006=T\r\nopt02=1\r\nlist1=005\r\nls000=a\r\nls001=b\r\n"));
    platform.fileNames.enqueue(path);
    window.fload->trigger();

    QCOMPARE(platform.messages.size(), 1);
    QCOMPARE(
        platform.messages.constFirst().text,
        u"ファイルが途中で終わっていました。\n%1\nリストの項目は、5件のうち2件だけ読み込みました。"_s.arg(
            QDir::toNativeSeparators(path)));
    QCOMPARE(window.pageInputs().entries, (QStringList{u"a"_s, u"b"_s}));
    QCOMPARE(window.Text6->text(), u"T"_s);
    QVERIFY(window.Option2->isChecked());
}

// A list of more than 999 entries saved from one window comes back whole in another.
void tst_listfile_window::largeListRoundTrip()
{
    FakePlatform platform;
    main1 first(platform);
    QStringList entries;
    for (int i = 0; i < 1500; ++i)
        entries.append(u"b%1.gif：サイト%1：http://example.jp/%1/"_s.arg(i));
    first.List1->addItems(entries);
    first.Option9->setChecked(true);
    first.Text5->setText(u"back.gif"_s);
    const QString path = m_dir->filePath(u"large.txt"_s);
    platform.fileNames.enqueue(path);
    first.fsave->trigger();

    main1 second(platform);
    platform.fileNames.enqueue(path);
    second.fload->trigger();
    QCOMPARE(platform.messageTexts(), (QStringList{u"書込み完了"_s, u"読込み完了"_s}));
    QCOMPARE(second.pageInputs(), first.pageInputs());
}

// A line break pasted into a one-line box would split its line in the list file (and in the page):
// the boxes drop them, and the cursor stays after the pasted text.
void tst_listfile_window::pastedLineBreaksAreDropped_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two lines into the site name") << u"Text2"_s << u"サイト\r\n名前"_s << u"[サイト名前]"_s;
    QTest::newRow("URL with its line end")
        << u"Text3"_s << u"http://example.jp/\n"_s << u"[http://example.jp/]"_s;
    QTest::newRow("lone CR into the title") << u"Text6"_s << u"a\rb"_s << u"[ab]"_s;
}

void tst_listfile_window::pastedLineBreaksAreDropped()
{
    QFETCH(QString, box);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    FakePlatform platform;
    main1 window(platform);
    QLineEdit* edit = control<QLineEdit>(&window, box);
    edit->setText(u"[]"_s);
    edit->setCursorPosition(1);
    QGuiApplication::clipboard()->setText(pasted);
    edit->paste();
    QCOMPARE(edit->text(), expected);
    QCOMPARE(edit->cursorPosition(), expected.size() - 1);
}

QTEST_MAIN(tst_listfile_window)
#include "tst_listfile_window.moc"
