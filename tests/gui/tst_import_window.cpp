#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "import/importwindow.h"
#include "linkentry/linkentry.h"
#include "main1/main1.h"
#include "page/linkpage.h"
#include "text/textfile.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString listed = u"l.gif：Listed：http://listed.example/"_s;

// The preview, one line per row: "[x]" or "[ ]", the banner URL, the name, the site URL and the note.
QStringList preview(const ImportWindow& window)
{
    QStringList rows;
    const QTableWidget* table = window.importTable;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells{table->item(row, 0)->checkState() == Qt::Checked ? u"[x]"_s : u"[ ]"_s};
        for (int column = 0; column < table->columnCount(); ++column)
            cells.append(table->item(row, column)->text());
        rows.append(cells.join(u" | "_s));
    }
    return rows;
}

// Chooses a file through the open dialog and waits for the read, which runs beside the window: the
// click comes back before it is done.
void chooseSource(ImportWindow* import, FakePlatform& platform, const QString& path)
{
    platform.fileNames.enqueue(path);
    import->fileButton->click();
    QTRY_VERIFY(!import->isReading());
}

ImportWindow* openImport(main1& window)
{
    window.importAction->trigger();
    return window.importWindowShown();
}

} // namespace

class tst_import_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    // Pasted markup: every link one row, held-back rows unchecked with their reason; fixing a row
    // checks it; nothing reaches the list before "追加", which appends the checked rows at the end.
    void pasteFixAndAdd()
    {
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {listed});
        ImportWindow* import = openImport(window);
        import->pasteBox->setPlainText(
            u"<a href=\"http://a.example/\"><img src=\"a.gif\" alt=\"A：site\"></a>\n"
            u"<A HREF=http://listed.example>Again</A> <a href=\"http://b.example/\">B <b>site</b></a>"
            u"<a href=\"HTTP://B.example:80/\">B again</a><a href=\"http://c.example/\">C 😀</a>"_s);
        QCOMPARE(
            preview(*import),
            (QStringList{
                u"[ ] | a.gif | A：site | http://a.example/ | バナーＵＲＬかＨＰ名に「：」があります"
                u"（項目がそこで分かれてしまいます）"_s,
                u"[ ] | "_s + QString::fromUtf16(defaultBannerUrl) +
                    u" | Again | http://listed.example | リストの1番目と同じＵＲＬです"_s,
                u"[x] | "_s + QString::fromUtf16(defaultBannerUrl) +
                    u" | B <b>site</b> | http://b.example/ | "_s,
                u"[ ] | "_s + QString::fromUtf16(defaultBannerUrl) +
                    u" | B again | HTTP://B.example:80/ | 取り込む3番目と同じＵＲＬです"_s,
                u"[ ] | "_s + QString::fromUtf16(defaultBannerUrl) +
                    u" | C 😀 | http://c.example/ | Shift_JIS で表せない文字「😀」（U+1F600）があります"_s}));
        QCOMPARE(window.pageInputs().entries, QStringList{listed});

        import->importTable->item(0, ImportWindow::NameColumn)->setText(u"A site"_s);
        QCOMPARE(preview(*import).first(), u"[x] | a.gif | A site | http://a.example/ | "_s);
        import->importTable->item(2, 0)->setCheckState(Qt::Unchecked);
        // A row the list file cannot hold stops the addition, checked or not.
        import->importTable->item(4, 0)->setCheckState(Qt::Checked);
        import->addButton->click();
        QCOMPARE(
            platform.messageTexts(),
            QStringList{u"5行目の項目は、このままではリストに追加できません。\nShift_JIS で表せない文字「😀」"
                        u"（U+1F600）があります\n直すか、チェックを外してください。"_s});
        QCOMPARE(window.pageInputs().entries, QStringList{listed});
        platform.messages.clear();
        import->importTable->item(4, 0)->setCheckState(Qt::Unchecked);
        import->addButton->click();
        QCOMPARE(window.pageInputs().entries, (QStringList{listed, u"a.gif：A site：http://a.example/"_s}));
        // What was added is in the list now, so adding again adds nothing twice.
        QVERIFY(preview(*import).first().startsWith(u"[ ]"_s));
        import->addButton->click();
        QCOMPARE(platform.messageTexts(), QStringList{u"追加する項目にチェックを付けてください。"_s});
    }

    // The menu opens one import window, whose controls carry their names for automation. Tab goes
    // from control to control, through the paste box and the table, and reaches every button; Escape
    // closes the window.
    void keyboardReachesEverything()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        ImportWindow* import = openImport(window);
        QVERIFY(QTest::qWaitForWindowActive(import));
        QCOMPARE(openImport(window), import);
        QCOMPARE(import->accessibleDescription(), u"importWindow"_s);
        for (const QString& name : {u"importTable"_s, u"pasteBox"_s, u"folderChoice"_s, u"addButton"_s})
            QCOMPARE(control<QWidget>(import, name)->accessibleDescription(), name);
        import->pasteBox->setPlainText(u"<a href=\"http://a.example/\">A</a>"_s);
        import->fileButton->setFocus();
        const QList<QWidget*> reached = tabWalk(20);
        for (QWidget* control :
             {static_cast<QWidget*>(import->fileButton), static_cast<QWidget*>(import->pasteBox),
              static_cast<QWidget*>(import->importTable), static_cast<QWidget*>(import->addButton),
              static_cast<QWidget*>(import->closeButton)})
            QVERIFY2(reached.contains(control), qPrintable(control->objectName()));
        QVERIFY(!import->pasteBox->toPlainText().contains(u'\t'));
        QCOMPARE(import->importTable->rowCount(), 1);

        QTest::keyClick(import->addButton, Qt::Key_Escape);
        QTRY_VERIFY(!window.importWindowShown());
    }

    // The window opens centred on the main window and opens again at the size the user gave it.
    void opensCentredAtItsLastSize()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QPointer<ImportWindow> import = openImport(window);
        QVERIFY(QTest::qWaitForWindowExposed(import));
        QVERIFY((import->frameGeometry().center() - window.frameGeometry().center()).manhattanLength() <= 2);
        const QSize size = import->size() - QSize(40, 30);
        import->resize(size);
        import->close();
        QTRY_VERIFY(import.isNull());
        import = openImport(window);
        QCOMPARE(import->size(), size);
    }

    // 閉じる pressed while the refusal of a checked row is up (as assistive technology can): the
    // window goes, and nothing of it is touched afterwards.
    void closedDuringARefusal()
    {
        FakePlatform platform;
        main1 window(platform);
        window.show();
        QPointer<ImportWindow> import = openImport(window);
        import->pasteBox->setPlainText(
            u"<a href=\"http://a.example/\"><img src=\"a.gif\" alt=\"A：site\"></a>"_s);
        import->importTable->item(0, 0)->setCheckState(Qt::Checked);
        platform.whileMessageShown = [&](QWidget*) {
            import->closeButton->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        import->addButton->click();
        QVERIFY(import.isNull());
        QCOMPARE(platform.messages.size(), 1);
        QCOMPARE(window.pageInputs().entries, QStringList());
    }

    // A bookmarks file chosen through the open dialog is read beside the window, which meanwhile
    // offers "中止" and nothing that would start another read; 中止 frees it at once and what that
    // read finds is never shown. Read whole, the summary under the table says how many links there
    // are (and where a limit cut the reading); its folders to choose from, the links of the folder
    // chosen (and of the folders inside it).
    void bookmarksByFolder()
    {
        FakePlatform platform;
        main1 window(platform);
        ImportWindow* import = openImport(window);
        const QString bookmarks = QStringLiteral(SITELOOM_TEST_DATA "/bookmarks/chromium.html");
        platform.fileNames.enqueue(bookmarks);
        import->fileButton->click();
        QVERIFY(import->isReading());
        QVERIFY(import->stopButton->isEnabled());
        QVERIFY(!import->fileButton->isEnabled());
        QCOMPARE(import->importTable->rowCount(), 0);
        import->stopButton->click();
        QVERIFY(!import->isReading());
        QCOMPARE(import->sourceLabel->text(), QString());
        QVERIFY(import->fileButton->isEnabled());

        chooseSource(import, platform, QStringLiteral(SITELOOM_TEST_DATA "/bookmarks/nested-too-deep.html"));
        QVERIFY2(import->summaryLabel->text().startsWith(
                     u"1 件のリンクがあります。 フォルダ（タグ）の入れ子が深すぎるため、"_s),
                 qPrintable(import->summaryLabel->text()));
        QCOMPARE(import->summaryLabel->toolTip(), import->summaryLabel->text());
        chooseSource(import, platform, bookmarks);
        QCOMPARE(import->sourceLabel->text(), QDir::toNativeSeparators(bookmarks));
        QCOMPARE(import->summaryLabel->text(),
                 u"3 件のリンクがあります。 http・https 以外のリンク 1 件は取り込みません。"_s);
        QCOMPARE(import->importTable->rowCount(), 3);
        QVERIFY(import->folderChoice->isEnabled());
        QCOMPARE(import->folderChoice->count(), 4);
        import->folderChoice->setCurrentText(u"Bookmarks bar/Work"_s);
        QCOMPARE(preview(*import), QStringList{u"[x] | "_s + QString::fromUtf16(defaultBannerUrl) +
                                               u" | 社内 wiki | https://intra.example.org/wiki | "_s});
        QVERIFY(platform.messages.isEmpty());
    }

    // A page of this tool: its options replace the window's only when the user says yes; its entries
    // wait for "追加" either way. A file that is neither is refused with a message, and a FIFO (which
    // would wait for a writer for ever), a folder or a device (which might never end) before any read.
    void pageOptionsOnlyWhenConfirmed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::newRow("yes") << u"page.html"_s << QMessageBox::Yes << u"友達"_s << u"このページの設定"_s;
        QTest::newRow("no") << u"page.html"_s << QMessageBox::No << u"リ　ン　ク　集"_s
                            << u"このページの設定"_s;
        QTest::newRow("not a page") << u"other.html"_s << QMessageBox::Yes << u"リ　ン　ク　集"_s
                                    << u"ブックマークファイルでも"_s;
        QTest::newRow("a FIFO") << u"fifo"_s << QMessageBox::Yes << u"リ　ン　ク　集"_s
                                << u"名前付きパイプ（FIFO）で、普通のファイルではありません"_s;
        QTest::newRow("a folder") << u"folder"_s << QMessageBox::Yes << u"リ　ン　ク　集"_s
                                  << u"フォルダで、普通のファイルではありません"_s;
        QTest::newRow("a device") << u"/dev/zero"_s << QMessageBox::Yes << u"リ　ン　ク　集"_s
                                  << u"デバイスで、普通のファイルではありません"_s;
    }

    void pageOptionsOnlyWhenConfirmed()
    {
        QFETCH(QString, file);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QTemporaryDir dir;
        PageInputs page;
        page.entries = {u"b.gif：Site：http://site.example/"_s};
        page.title = u"友達"_s;
        page.background = 9; // the background image
        page.backgroundImage = u"kabe.gif"_s;
        page.fileName = u"page.html"_s;
        FileError error;
        QVERIFY(writePageFile(dir.path(), page, nullptr, &error));
        QVERIFY(writeBytes(dir.filePath(u"other.html"_s), "<html><p>hello</p></html>"));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600), 0);
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));

        FakePlatform platform;
        main1 window(platform);
        ImportWindow* import = openImport(window);
        platform.answers.enqueue(answer);
        platform.fileNames.enqueue(QDir(dir.path()).filePath(file)); // a device by its absolute path
        import->fileButton->click();
        // Anything but a regular file is refused before a read begins.
        QCOMPARE(import->isReading(), !file.startsWith(u'f') && !file.startsWith(u'/'));
        QTRY_VERIFY(!import->isReading());
        QCOMPARE(platform.messages.size(), 1);
        QVERIFY2(platform.messageTexts().first().contains(message),
                 qPrintable(platform.messageTexts().first()));
        QCOMPARE(window.Text6->text(), title);
        QCOMPARE(window.Option9->isChecked(), title == u"友達"_s);
        QCOMPARE(window.Text5->text() == u"kabe.gif"_s, title == u"友達"_s);
        QVERIFY(window.pageInputs().entries.isEmpty());
    }

    // "書き出し": the file name from the save dialog; its extension, else the type chosen in the dialog,
    // gives CSV or bookmarks; a file that cannot be written is reported and nothing is left behind.
    void exportThroughTheSaveDialog_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type"); // the filter chosen; empty: the first, bookmarks
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("begins");
        const QString done = u"書き出しました。"_s;
        const QByteArray bookmarks("<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n");
        const QByteArray csv("\xEF\xBB\xBF");
        const QString csvType = u"CSV (*.csv)"_s;
        QTest::newRow("bookmarks") << u"out.html"_s << QString() << u"out.html"_s << done << bookmarks;
        QTest::newRow("CSV by its extension") << u"out.CSV"_s << QString() << u"out.CSV"_s << done << csv;
        QTest::newRow("CSV chosen, no extension typed") << u"out"_s << csvType << u"out.csv"_s << done << csv;
        QTest::newRow("CSV chosen, .html typed")
            << u"out.html"_s << csvType << u"out.html"_s << done << bookmarks;
        QTest::newRow("bookmarks, no extension typed")
            << u"out"_s << QString() << u"out.html"_s << done << bookmarks;
        QTest::newRow("directory at the path")
            << u"taken.html"_s << QString() << QString() << u"書き出せませんでした。"_s << QByteArray();
        QTest::newRow("dialog cancelled") << QString() << QString() << QString() << QString() << QByteArray();
    }

    void exportThroughTheSaveDialog()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, written);
        QFETCH(QString, message);
        QFETCH(QByteArray, begins);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"taken.html"_s));
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {listed});
        if (!name.isEmpty())
            platform.fileNames.enqueue(dir.filePath(name));
        if (!type.isEmpty())
            platform.selectedFilters.enqueue(type);
        window.exportAction->trigger();
        QCOMPARE(platform.saveRequests.size(), 1);
        QCOMPARE(platform.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY(platform.messageTexts().first().startsWith(message));
        const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
        if (!written.isEmpty())
            QVERIFY(readBytes(dir.filePath(written)).startsWith(begins));
    }
};

QTEST_MAIN(tst_import_window)
#include "tst_import_window.moc"
