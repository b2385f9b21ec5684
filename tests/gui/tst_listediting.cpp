// Editing the list beyond its buttons: the undo history, moves by key and by drag and drop, the
// Delete key, finding a row, the preview and the recent files.
#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "listfile/listfile.h"
#include "main1/entrylist.h"
#include "main1/entrylistview.h"
#include "main1/main1.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUndoStack>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// What undo must bring back: the rows, the selected row and the page option fields.
QString state(main1& window)
{
    const PageInputs inputs = window.pageInputs();
    return u"%1\nselected=%2\n%3|%4|%5|%6|%7|%8|%9"_s.arg(listRows(window).join(u'|'))
        .arg(listSelectedRows(window).value(0, -1))
        .arg(inputs.fileName, inputs.backgroundImage, inputs.title, inputs.ownBanner, inputs.ownName,
             inputs.ownUrl, QString::number(inputs.background));
}

// A window shown and active, so that its keys reach it.
void showActive(main1& window)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

// Drops the row `from` before the row `to` (the row count: after the last row; beyond it: onto the
// empty space below the rows) as a drag within the list ends: the rows travel as the model's mime
// data, dropped onto the upper or lower edge of a row.
void dropRow(main1& window, int from, int to)
{
    EntryListModel* model = window.listModel();
    const std::unique_ptr<QMimeData> data(model->mimeData({model->index(from)}));
    const int target = std::min(to, model->count() - 1);
    window.List1->scrollTo(model->index(target));
    const QRect rect = window.List1->visualRect(model->index(target));
    const QPoint at = to < model->count()    ? rect.topLeft() + QPoint(5, 1)
                      : to == model->count() ? rect.bottomLeft() + QPoint(5, -1)
                                             : rect.bottomLeft() + QPoint(5, rect.height());
    QCOMPARE(window.List1->indexAt(at).isValid(), to <= model->count());
    // The drag enters the list first: the drop goes where the entering drag was taken.
    QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.List1->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.List1->viewport(), &drop);
}

QStringList letters(const QString& text)
{
    return text.split(QString(), Qt::SkipEmptyParts);
}

} // namespace

class tst_listediting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    // The menu names what undo and redo would do, and the keys of both reach them from the list.
    void undoMenuNamesTheStep()
    {
        FakePlatform platform;
        main1 window(platform);
        showActive(window);
        QCOMPARE(window.editMenu->title(), u"編集(&E)"_s);
        QCOMPARE(window.editMenu->accessibleDescription(), u"editMenu"_s);
        QCOMPARE(window.undoAction->text(), u"元に戻す"_s);
        QVERIFY(!window.undoAction->isEnabled());
        setListRows(window, letters(u"XYZ"_s));
        selectListRow(window, 1);
        window.List1->setFocus();
        QTest::keyClick(window.List1, Qt::Key_Delete);
        QCOMPARE(window.undoAction->text(), u"元に戻す（削除）"_s);
        QTest::keyClick(window.List1, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(listRows(window), letters(u"XYZ"_s));
        QCOMPARE(window.redoAction->text(), u"やり直し（削除）"_s);
        QTest::keyClick(window.List1, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(listRows(window), letters(u"XZ"_s));
        QTest::keyClick(window.List1, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(window.List1, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(listRows(window), letters(u"XZ"_s));
        window.appendEntries({u"W"_s}, u"取り込み"_s);
        QCOMPARE(window.undoAction->text(), u"元に戻す（取り込み）"_s);

        // A load is one step that takes back the page option fields with the list.
        QTemporaryDir dir;
        PageInputs loaded;
        loaded.entries = {u"L"_s};
        loaded.title = u"読んだ"_s;
        loaded.background = 5;
        ListFileSaveError error;
        QVERIFY(saveListFile(dir.filePath(u"l.txt"_s), loaded, &error));
        const QString before = state(window);
        platform.fileNames.enqueue(dir.filePath(u"l.txt"_s));
        window.fload->trigger();
        const QString after = state(window);
        QCOMPARE(window.undoAction->text(), u"元に戻す（ファイル読込）"_s);
        window.undoAction->trigger();
        QCOMPARE(state(window), before);
        window.redoAction->trigger();
        QCOMPARE(state(window), after);
    }

    void movesByKeyAndDrag_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("move"); // "up", "down" (Alt+key) or "drop N" (before row N)
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("selectedAfter");
        QTest::newRow("up from the last row") << u"XYZ"_s << 2 << u"up"_s << u"XZY"_s << 1;
        QTest::newRow("up at the first row") << u"XYZ"_s << 0 << u"up"_s << u"XYZ"_s << 0;
        QTest::newRow("down from the first row") << u"XYZ"_s << 0 << u"down"_s << u"YXZ"_s << 1;
        QTest::newRow("down at the last row") << u"XYZ"_s << 2 << u"down"_s << u"XYZ"_s << 2;
        QTest::newRow("up without a selection") << u"XYZ"_s << -1 << u"up"_s << u"XYZ"_s << -1;
        QTest::newRow("drag the first row below the last") << u"XYZ"_s << 0 << u"drop 3"_s << u"YZX"_s << 2;
        QTest::newRow("drag the first row below the rows") << u"XYZ"_s << 0 << u"drop 4"_s << u"YZX"_s << 2;
        QTest::newRow("drag the last row above the first") << u"XYZ"_s << 2 << u"drop 0"_s << u"ZXY"_s << 0;
        QTest::newRow("drag the first row into the middle") << u"XYZ"_s << 0 << u"drop 2"_s << u"YXZ"_s << 1;
        QTest::newRow("drag a row onto its own place") << u"XYZ"_s << 1 << u"drop 1"_s << u"XYZ"_s << 1;
        QTest::newRow("drag the only row below itself") << u"X"_s << 0 << u"drop 1"_s << u"X"_s << 0;
    }

    // The moved row stays selected, so it can move again; one undo puts it back.
    void movesByKeyAndDrag()
    {
        QFETCH(QString, rows);
        QFETCH(int, selected);
        QFETCH(QString, move);
        QFETCH(QString, after);
        QFETCH(int, selectedAfter);
        FakePlatform platform;
        main1 window(platform);
        showActive(window);
        setListRows(window, letters(rows));
        if (selected >= 0)
            selectListRow(window, selected);
        window.List1->setFocus();

        if (move.startsWith(u"drop"_s)) {
            dropRow(window, selected, move.sliced(5).toInt());
            // A view that ends a move drag removes the dragged rows; the drop has moved them already.
            QVERIFY(!window.listModel()->removeRows(std::max(selectedAfter, 0), 1));
        } else
            QTest::keyClick(window.List1, move == u"up"_s ? Qt::Key_Up : Qt::Key_Down, Qt::AltModifier);

        QCOMPARE(listRows(window).join(QString()), after);
        QCOMPARE(listSelectedRows(window), selectedAfter < 0 ? QList<int>() : QList<int>{selectedAfter});
        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(window.undoStack()->count(), after == rows ? 0 : 1);
        window.undoAction->trigger();
        QCOMPARE(listRows(window).join(QString()), rows);
    }

    // The preview is the page html 作成 writes, byte for byte, in a directory of its own: the base
    // directory and the window stay as they were.
    void previewWritesThePageElsewhere()
    {
        QTemporaryDir base;
        QTemporaryDir other;
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {u"b1.gif：一つ目<BR>説明：site1/"_s, u"b2.gif：二つ目：site2/"_s});
        window.Text6->setText(u" "_s);
        window.Option4->setChecked(true);
        window.Label1->setText(base.path());
        const QString before = state(window);

        window.previewAction->trigger();

        QCOMPARE(platform.messages.size(), 0);
        QCOMPARE(platform.browserUrls.size(), 1);
        const QString preview = platform.browserUrls.first().toLocalFile();
        QVERIFY(!preview.startsWith(base.path()));
        QCOMPARE(QDir(base.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
        QCOMPARE(state(window), before);
        QCOMPARE(QFileInfo(QFileInfo(preview).path()).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());

        window.Label1->setText(other.path());
        window.Command4->click();
        QCOMPARE(readBytes(preview), readBytes(QDir(other.path()).filePath(u"link.html"_s)));
    }

    void previewRefusesATemporaryFolderItCannotUse_data()
    {
        QTest::addColumn<QString>("temporary"); // what TMPDIR names
        QTest::addColumn<QString>("said");      // in the message
        QTest::newRow("no such folder")
            << u"missing"_s << u"が見つからないため、プレビューを作れませんでした。"_s;
        QTest::newRow("a file") << u"file"_s << u"ディレクトリではありません"_s;
        QTest::newRow("a read-only folder") << u"read-only"_s << u"許可されていません"_s;
        QTest::newRow("a folder inside the base directory")
            << u"inside"_s << u"ページを作るフォルダの中にあるため、プレビューを作れませんでした。"_s;
    }

    // The preview's folder is never made by a relative name (in the current directory, which is the
    // base directory) nor inside the base directory: a TMPDIR that cannot serve is reported in
    // Japanese, and nothing is left beside the site's pages.
    void previewRefusesATemporaryFolderItCannotUse()
    {
        QFETCH(QString, temporary);
        QFETCH(QString, said);
        if (temporary == u"read-only"_s && ::geteuid() == 0)
            QSKIP("permissions do not hold root back");
        QTemporaryDir scratch;
        QTemporaryDir base;
        const QString folder =
            temporary == u"inside"_s ? base.filePath(u"tmp"_s) : scratch.filePath(u"tmp"_s);
        if (temporary == u"file"_s)
            QVERIFY(writeBytes(folder, "x"));
        else if (temporary != u"missing"_s)
            QVERIFY(QDir().mkdir(folder));
        if (temporary == u"read-only"_s)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const QString wasCurrent = QDir::currentPath();
        const QByteArray wasTemporary = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] {
            qputenv("TMPDIR", wasTemporary);
            QDir::setCurrent(wasCurrent);
        });
        qputenv("TMPDIR", QFile::encodeName(folder));
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {u"b.gif：n：http://x.jp/"_s});
        window.Label1->setText(base.path());
        QVERIFY(QDir::setCurrent(base.path()));

        window.previewAction->trigger();

        QCOMPARE(platform.messages.size(), 1);
        QVERIFY2(platform.messageTexts().first().contains(said), qPrintable(platform.messageTexts().first()));
        QVERIFY(platform.browserUrls.isEmpty());
        QCOMPARE(QDir(base.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 temporary == u"inside"_s ? QStringList{u"tmp"_s} : QStringList());
        QVERIFY(QDir(folder).isEmpty());
    }

    // Before it writes, the preview checks what html 作成 checks, with its messages; a browser that
    // will not start is reported with where the page is.
    void previewChecksAsHtmlDoes()
    {
        FakePlatform platform;
        main1 window(platform);
        window.previewAction->trigger();
        QCOMPARE(platform.messageTexts(), QStringList{u"項目を追加してください。"_s});
        QVERIFY(platform.browserUrls.isEmpty());

        setListRows(window, {u"b：n：u"_s});
        platform.browserWorks = false;
        window.previewAction->trigger();
        QCOMPARE(platform.messages.size(), 2);
        QVERIFY2(platform.messages.last().text.startsWith(u"ブラウザを起動できませんでした。"_s),
                 qPrintable(platform.messages.last().text));
        QVERIFY(platform.messages.last().text.endsWith(
            QDir::toNativeSeparators(platform.browserUrls.first().toLocalFile())));
    }

    void recentFileNoLongerAListFile_data()
    {
        QTest::addColumn<QString>("becomes"); // "", "gone", "folder" or "fifo"
        QTest::addColumn<QString>("message"); // how it begins
        QTest::addColumn<bool>("listed");     // still in the menu afterwards
        QTest::newRow("still a list file") << QString() << u"読込み完了"_s << true;
        QTest::newRow("gone") << u"gone"_s
                              << u"ファイルが見つかりません。最近使ったファイルの一覧から外しました。"_s
                              << false;
        QTest::newRow("now a folder") << u"folder"_s << u"ファイルを読み込めませんでした。"_s << true;
        QTest::newRow("now a FIFO") << u"fifo"_s << u"ファイルを読み込めませんでした。"_s << true;
    }

    // A recent file loads as ファイル読込 loads it. One that has gone leaves the menu; one that is
    // now a folder or a FIFO is said to be what it is, at once, and the window stays as it was.
    void recentFileNoLongerAListFile()
    {
        QFETCH(QString, becomes);
        QFETCH(QString, message);
        QFETCH(bool, listed);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        QVERIFY(writeBytes(path, "list1=001\r\nls000=a\r\n"));
        FakePlatform platform;
        main1 window(platform);
        platform.fileNames.enqueue(path);
        window.fload->trigger();
        setListRows(window, {u"kept"_s});
        QVERIFY(QFile::remove(path));
        if (becomes == u"folder"_s)
            QVERIFY(QDir(dir.path()).mkdir(u"list.txt"_s));
        else if (becomes == u"fifo"_s)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (becomes.isEmpty())
            QVERIFY(writeBytes(path, "list1=001\r\nls000=b\r\n"));
        const QString before = state(window);

        window.recentMenu->actions().first()->trigger();

        const QString said = platform.messageTexts().last();
        QVERIFY2(said.startsWith(message), qPrintable(said));
        if (becomes == u"folder"_s)
            QVERIFY2(said.endsWith(u"ディレクトリです"_s), qPrintable(said));
        if (becomes == u"fifo"_s)
            QVERIFY2(said.contains(u"名前付きパイプ（FIFO）"_s), qPrintable(said));
        if (becomes.isEmpty())
            QCOMPARE(listRows(window), QStringList{u"b"_s});
        else
            QCOMPARE(state(window), before);
        QCOMPARE(window.recentMenu->actions().size(), listed ? 1 : 0);
    }

    // A row shows whole: its banner URL, name and URL on three lines as its tooltip, and the list
    // scrolls sideways to a row wider than itself, and no further once the row has gone.
    void longRowsShowWhole()
    {
        FakePlatform platform;
        main1 window(platform);
        showActive(window);
        const QString longRow = u"http://example.jp/banner.gif：とても長い名前<BR>のサイト"_s +
                                QString(60, u'長') + u"：http://example.jp/"_s;
        setListRows(window, {u"a：b：c"_s});
        QCoreApplication::processEvents();
        QCOMPARE(window.List1->horizontalScrollBar()->maximum(), 0);
        window.appendEntries({longRow}, u"取り込み"_s);
        QCoreApplication::processEvents();
        QVERIFY(window.List1->horizontalScrollBar()->maximum() > 0);
        const QFontMetrics metrics(window.List1->font());
        QVERIFY(window.List1->visualRect(window.listModel()->index(1)).width() >=
                metrics.horizontalAdvance(longRow));
        QCOMPARE(window.listModel()->index(1).data(Qt::ToolTipRole).toString(),
                 u"http://example.jp/banner.gif\nとても長い名前<BR>のサイト"_s + QString(60, u'長') +
                     u"\nhttp://example.jp/"_s);
        window.undoAction->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(window.List1->horizontalScrollBar()->maximum(), 0);
    }

    void keysAndMouseReachEveryRow_data()
    {
        QTest::addColumn<QString>("keys"); // a key a letter: d(own) u(p) n(ext page) p(revious page) e(nd)
                                           // h(ome); capital: with Alt
        QTest::addColumn<QString>("row");  // the current row after them: a number, or "page" rows down
        QTest::newRow("down from the first row, which the focus made current") << u"ddd"_s << u"3"_s;
        QTest::newRow("end") << u"e"_s << u"999"_s;
        QTest::newRow("end, up") << u"eu"_s << u"998"_s;
        QTest::newRow("end, home") << u"eh"_s << u"0"_s;
        QTest::newRow("next page") << u"hn"_s << u"page"_s;
        QTest::newRow("next pages to the end") << QString(400, u'n') << u"999"_s;
        QTest::newRow("end, previous page") << u"ep"_s << u"-page"_s;
        QTest::newRow("row moved down past the rows shown") << u"d"_s + QString(60, u'D') << u"61"_s;
        QTest::newRow("row moved down right after home") << u"hD"_s << u"1"_s;
        QTest::newRow("row moved down as the first key") << u"D"_s << u"1"_s;
    }

    // In a long list the keys move the current row (with Alt, the row itself) and scroll it into view
    // whole, and a click on any row shown selects that row.
    void keysAndMouseReachEveryRow()
    {
        QFETCH(QString, keys);
        QFETCH(QString, row);
        FakePlatform platform;
        main1 window(platform);
        showActive(window);
        QStringList rows;
        for (int i = 0; i < 1000; ++i)
            rows.append(u"http://example.jp/%1.gif：サイト%1：http://example.jp/%1/"_s.arg(i));
        setListRows(window, rows);
        EntryListView* list = window.List1;
        list->setFocus();
        const std::map<QChar, Qt::Key> key = {{u'd', Qt::Key_Down},     {u'u', Qt::Key_Up},
                                              {u'n', Qt::Key_PageDown}, {u'p', Qt::Key_PageUp},
                                              {u'e', Qt::Key_End},      {u'h', Qt::Key_Home}};
        for (const QChar letter : std::as_const(keys))
            QTest::keyClick(list, key.at(letter.toLower()),
                            letter.isUpper() ? Qt::AltModifier : Qt::NoModifier);

        const int page = list->viewport()->height() / list->visualRect(list->model()->index(0, 0)).height();
        const int expected = row == u"page"_s ? page : row == u"-page"_s ? 999 - page : row.toInt();
        QCOMPARE(list->currentIndex().row(), expected);
        QCOMPARE(listSelectedRows(window), QList<int>{expected});
        const QRect shown = list->visualRect(list->model()->index(expected, 0));
        QVERIFY(list->viewport()->rect().contains(shown));
        const int top = list->indexAt({5, 0}).row();
        for (const int y :
             {0, shown.center().y(), list->visualRect(list->model()->index(top + page - 1, 0)).bottom()}) {
            const QModelIndex at = list->indexAt({5, y});
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, {5, y});
            QCOMPARE(listSelectedRows(window), QList<int>{at.row()});
            QVERIFY(list->visualRect(at).contains(5, y));
        }
    }

    // The list's width comes from counting each row's narrow characters (Latin-1 and half-width
    // katakana) and wide ones, eight at a time: rows of every kind, shorter and longer than eight.
    void widthBoundCountsEveryCharacter_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("narrow");
        QTest::addColumn<int>("wide");
        QTest::newRow("Latin-1 to its end") << u"aéÿ"_s << 3 << 0;
        QTest::newRow("Latin beyond Latin-1") << u"Āa"_s << 1 << 1;
        QTest::newRow("half-width katakana to both ends") << u"\uFF61ｶ\uFF9F"_s << 3 << 0;
        QTest::newRow("full-width forms beside them") << u"\uFF60\uFFA0"_s << 0 << 2;
        QTest::newRow("lone surrogate") << QString(QChar(0xD842)) << 0 << 1;
        QTest::newRow("eight narrow and a wide one") << u"abcdefgh長"_s << 8 << 1;
        QTest::newRow("wide ones in every lane") << u"あaいbうcえdおeかfきgくhけ"_s << 8 << 9;
        QTest::newRow("a row longer than a lane counts")
            << QString(300000, u'a') + QString(9, u'長') << 300000 << 9;
    }

    void widthBoundCountsEveryCharacter()
    {
        QFETCH(QString, row);
        QFETCH(int, narrow);
        QFETCH(int, wide);
        EntryListModel model;
        model.setFont(QApplication::font());
        const auto width = [&model](const QString& row) {
            model.insertEntries(0, {row});
            const int widest = model.widestRow();
            (void)model.takeEntries(0, 1);
            return widest;
        };
        QCOMPARE(width(row), narrow * width(u"a"_s) + wide * width(u"長"_s));
    }
};

QTEST_MAIN(tst_listediting)
#include "tst_listediting.moc"
