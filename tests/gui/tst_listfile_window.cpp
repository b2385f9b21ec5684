#include "fakeplatform.h"
#include "filebytes.h"
#include "guitest.h"
#include "listfile/listfile.h"
#include "main1/main1.h"
#include "messages/messages.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

const QString examplePath = QStringLiteral(SITELOOM_TEST_DATA "/link-example.txt");
const QStringList exampleEntries{u"img/banner1.gif：サイトＡ：site1/index.html"_s,
                                 u"img/banner2.gif：サイトＢ：site2/index.html"_s};

// Everything the user can see of the window's inputs, one "name=value" line each, so that a
// difference shows exactly which control changed.
QStringList snapshot(main1& window)
{
    QStringList lines{
        window.pageInputs().entries.join(u'|').prepend(u"List1="_s),
        u"row=%1 selected=%2"_s.arg(listCurrentRow(window)).arg(listSelectedRows(window).size()),
        u"tab=%1"_s.arg(window.SSTab1->currentIndex()), u"on="_s};
    for (int i = 1; i <= 9; ++i) {
        lines.append(u"Text%1="_s.arg(i) + control<QLineEdit>(&window, u"Text%1"_s.arg(i))->text());
        if (control<QRadioButton>(&window, u"Option%1"_s.arg(i))->isChecked())
            lines[3] += QString::number(i);
    }
    return lines;
}

// The snapshot with the lines of the same names replaced by the changes, one to a line.
QStringList changed(QStringList lines, const QString& changes)
{
    for (const QString& change : changes.split(u'\n', Qt::SkipEmptyParts)) {
        for (QString& line : lines) {
            if (line.startsWith(change.first(change.indexOf(u'=') + 1)))
                line = change;
        }
    }
    return lines;
}

// What the list file's dialogs ask for: text files first, then every file, the name "link.txt".
const QStringList listFileDialog{u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_s, u"All Files (*)"_s, u"link.txt"_s};

// The dialogs a handler asked for: each one's filters, the name offered and the directory.
QStringList asked(const QList<FileDialogRequest>& requests)
{
    QStringList shown;
    for (const FileDialogRequest& request : requests)
        shown += request.filters + QStringList{request.fileName, request.directory};
    return shown;
}

// Qt's reason why the file cannot be opened, which the handlers' messages pass on.
template <typename File> QString openProblem(const QString& path, QIODevice::OpenMode mode)
{
    File file(path);
    return file.open(mode) ? QString() : file.errorString();
}

} // namespace

class tst_listfile_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareGuiTest();
        m_startDirectory = QDir::currentPath();
    }

    void init()
    {
        // Out of the last test's directory before it goes.
        QVERIFY(QDir::setCurrent(m_startDirectory));
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
    }

    // The example list saved from a window with the first entry selected, over a directory that holds
    // "link.txt" and a directory "folder". Dialog answers are names in the temporary directory; one
    // too short to be a path is given as it stands. The message holds %1 for the file's native path
    // and %2 for Qt's reason.
    void save_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("title");  // null: the start value
        QTest::addColumn<QString>("base");   // below the temporary directory; empty: itself
        QTest::addColumn<QString>("answer"); // the dialog's answer
        QTest::addColumn<bool>("dialog");    // the dialog is shown
        QTest::addColumn<QString>("message");

        // The dialog is shown unless the list is refused before it, which the answer "link.txt" marks.
        const auto row = [](const char* name, const QString& answer, const QString& message,
                            const QStringList& entries = exampleEntries, const QString& title = {},
                            const QString& base = {}) {
            QTest::newRow(name) << entries << title << base << answer << (answer != u"link.txt"_s) << message;
        };
        const QString done = u"書込み完了"_s;
        const QString refused =
            u"があるため、保存しませんでした。\nこの文字を直してから、もう一度保存してください。"_s;
        const QString saved = u"saved.txt"_s;
        const QString link = u"link.txt"_s;
        row("into the base directory", saved, done);
        row("base directory missing: the dialog opens where we are", saved, done, exampleEntries, {},
            u"gone/away"_s);
        row("name of three characters", u"a.t"_s, QString());
        row("empty list", link, u"リストに項目を追加してください。"_s, {});
        row("NUL in the second entry", link,
            u"リストの2番目の項目に、ファイルに保存できない文字（U+0000）"_s + refused,
            {exampleEntries[0], u"a："_s + QChar(0)});
        row("character beyond the BMP in the title", link,
            u"「トップのタイトル名」に、ファイルに保存できない文字「😀」（U+1F600）"_s + refused,
            exampleEntries, u"リンク😀"_s);
        // Refused only once the text is written, after the dialog.
        row("text that would read back as UTF-8", saved,
            u"この内容のまま保存すると、読み込むときに UTF-8 "
            u"のファイルと見分けがつかないため、保存しませんでした。\n"
            u"タイトルなどにひらがなを含めてから、もう一度保存してください。"_s,
            {u"plain entry"_s}, u"荳｡"_s);
    }

    void save()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, title);
        QFETCH(QString, base);
        QFETCH(QString, answer);
        QFETCH(bool, dialog);
        QFETCH(QString, message);
        const QDir dir(QDir(m_dir->path()).canonicalPath());
        QVERIFY(dir.mkdir(u"folder"_s));
        QVERIFY(writeBytes(dir.filePath(u"link.txt"_s), "old\r\n"));
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, entries);
        selectListRow(window, 0);
        window.Option3->setChecked(true);
        if (!title.isNull())
            window.Text6->setText(title);
        window.Label1->setText(base.isEmpty() ? dir.path() : dir.filePath(base));
        const QStringList before = snapshot(window);
        const QString path = answer.size() < 4 ? answer : dir.filePath(answer);
        platform.fileNames.enqueue(path);
        window.fsave->trigger();

        const QString opened = dialog && base.isEmpty() ? dir.path() : m_startDirectory;
        QCOMPARE(asked(platform.saveRequests), dialog ? listFileDialog + QStringList{opened} : QStringList());
        QCOMPARE(QDir::currentPath(), opened);
        message.replace(u"%1"_s, QDir::toNativeSeparators(path));
        QCOMPARE(platform.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QStringList files{u"folder"_s, u"link.txt"_s};
        if (message == u"書込み完了"_s) {
            QCOMPARE(readBytes(path), readBytes(examplePath));
            files.append(answer);
        }
        QCOMPARE(readBytes(dir.filePath(u"link.txt"_s)), "old\r\n");
        QCOMPARE(filesIn(dir.path()), files);
        QCOMPARE(snapshot(window), before);
    }

    // Each file is loaded into a window whose every input differs from it, with the second entry
    // selected and the second tab shown; what changes is named by the lines of the snapshot. The
    // message holds %1 for the file's native path and %2 for Qt's reason. How the lines of a file
    // become the inputs is tst_listfile's; long and large lists in the window are tst_badfiles'.
    void load_data()
    {
        QTest::addColumn<QString>("answer");   // as in save_data
        QTest::addColumn<QByteArray>("bytes"); // written to the answer unless null
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("changes");

        const auto row = [](const char* name, const QString& answer, const QByteArray& bytes,
                            const QString& message, const QString& changes = {}) {
            QTest::newRow(name) << answer << bytes << message << changes;
        };
        const QString done = u"読込み完了"_s;
        const QString unreadable = u"ファイルを読み込めませんでした。\n%1\n"_s;
        const QString notShiftJis = u"Shift_JIS（CP932）のテキストファイルではありません。"_s;
        row("the example", u"link.txt"_s, readBytes(examplePath), done,
            u"List1="_s + exampleEntries.join(u'|') +
                u"\nrow=-1 selected=0\non=3\nText4=link.html\nText5=http://\n"
                u"Text6=リ　ン　ク　集\nText7=http://\nText8=\nText9=http://"_s);
        row("no count line: the list stays", u"part.txt"_s, "te006=T\r\nte008\r\nunknown=1\r\n", done,
            u"Text6=T\nText8="_s);
        row("file ending inside the block", u"short.txt"_s,
            "te006=T\r\nopt02=1\r\nlist1=005\r\nls000=a\r\nls001=b\r\n",
            u"ファイルが途中で終わっていました。\n%1\nリストの項目は、5件のうち2件だけ読み込みました。"_s,
            u"List1=a|b\nrow=-1 selected=0\nText6=T\non=2"_s);
        row("name of three characters", u"a.t"_s, "te006=T\r\n", QString());
        row("missing file", u"missing.txt"_s, QByteArray(), unreadable + u"%2"_s);
        row("lead byte cut off", u"cut.txt"_s, "list1=000\r\nte006=\x82", unreadable + notShiftJis);
        row("UTF-8 that is also valid Shift_JIS", u"hello.txt"_s,
            u"list1=001\r\nls000=こんにちは\r\n"_s.toUtf8(),
            unreadable + notShiftJis +
                u"\nUTF-8 で保存されたファイルのようです。Shift_JIS で保存し直してから読み込んでください。"_s);
        row("NUL bytes", u"nul.bin"_s, QByteArray("te006=a\0b\r\n", 11),
            unreadable + u"テキストファイルではありません（NUL 文字を含んでいます）。"_s);
        row("title longer than its box", u"title.txt"_s, "te006=" + QByteArray(40000, 'T'),
            unreadable +
                u"「トップのタイトル名」が長すぎます（40000文字。入力欄には32767文字までしか入りません）。"_s);
    }

    void load()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(QString, changes);
        const QDir dir(QDir(m_dir->path()).canonicalPath());
        const QString path = answer.size() < 4 ? answer : dir.filePath(answer);
        if (!bytes.isNull())
            QVERIFY(writeBytes(dir.filePath(answer), bytes));
        FakePlatform platform;
        main1 window(platform);
        setListRows(window, {u"old：entry：one"_s, u"old：entry：two"_s, u"old：entry：three"_s});
        selectListRow(window, 1);
        for (int i = 1; i <= 9; ++i)
            control<QLineEdit>(&window, u"Text%1"_s.arg(i))->setText(u"old %1"_s.arg(i));
        window.Option8->setChecked(true);
        window.SSTab1->setCurrentIndex(1);
        window.Label1->setText(m_startDirectory);
        QVERIFY(QDir::setCurrent(dir.path()));
        const QStringList before = snapshot(window);
        platform.fileNames.enqueue(path);
        window.fload->trigger();

        QCOMPARE(asked(platform.openRequests), listFileDialog + QStringList{dir.path()});
        QCOMPARE(QDir::currentPath(), dir.path());
        message.replace(u"%1"_s, QDir::toNativeSeparators(path))
            .replace(u"%2"_s, openProblem<QFile>(path, QIODevice::ReadOnly));
        QCOMPARE(platform.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(snapshot(window), changed(before, changes));
    }

    // The messages about a field of the list file, which the command line shows too, name its box by
    // the captions the window shows (the frame's title first where both tabs have the same caption),
    // and every box holds as much as a list file may give it.
    void messagesNameTheWindowsBoxes()
    {
        FakePlatform platform;
        main1 window(platform);
        const auto text = [&](const char* name) {
            return control<QLabel>(&window, QString::fromLatin1(name))->text();
        };
        const QString own = window.Frame4->title() + u' ';
        QCOMPARE(listFileFieldCaption(ListFileField::FileName), text("Label14"));
        QCOMPARE(listFileFieldCaption(ListFileField::BackgroundImage),
                 window.Frame3->title() + u' ' + window.Option9->text());
        QCOMPARE(listFileFieldCaption(ListFileField::Title), text("Label19"));
        QCOMPARE(listFileFieldCaption(ListFileField::OwnBanner), own + text("Label20"));
        QCOMPARE(listFileFieldCaption(ListFileField::OwnName), own + text("Label21") + text("Label26"));
        QCOMPARE(listFileFieldCaption(ListFileField::OwnUrl), own + text("Label22"));
        for (int i = 1; i <= 9; ++i)
            QCOMPARE(control<QLineEdit>(&window, u"Text%1"_s.arg(i))->maxLength(), textBoxCapacity);
    }

    // A line break pasted into a one-line box would split its line in the list file (and in the page):
    // the boxes drop them, and the cursor stays after the pasted text.
    void pastedLineBreaksAreDropped_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two lines into the site name")
            << u"Text2"_s << u"サイト\r\n名前"_s << u"[サイト名前]"_s;
        QTest::newRow("lone CR into the title") << u"Text6"_s << u"a\rb"_s << u"[ab]"_s;
    }

    void pastedLineBreaksAreDropped()
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

    // ファイル保存 offers the list file last opened or saved, in its folder; "link.txt" in the base
    // directory before there is one (save).
    void saveOffersTheListFile_data()
    {
        QTest::addColumn<bool>("loadFirst"); // else saved first
        QTest::newRow("after opening a list file") << true;
        QTest::newRow("after saving one") << false;
    }

    void saveOffersTheListFile()
    {
        QFETCH(bool, loadFirst);
        const QDir dir(QDir(m_dir->path()).canonicalPath());
        QVERIFY(dir.mkdir(u"lists"_s));
        const QString file = dir.filePath(u"lists/mine.txt"_s);
        QVERIFY(writeBytes(file, readBytes(examplePath)));
        FakePlatform platform;
        main1 window(platform);
        window.Label1->setText(dir.path());
        platform.fileNames.enqueue(file);
        if (loadFirst) {
            window.fload->trigger();
        } else {
            setListRows(window, exampleEntries);
            window.fsave->trigger();
        }
        platform.saveRequests.clear();
        window.fsave->trigger();
        const QStringList offered =
            listFileDialog.first(2) + QStringList{u"mine.txt"_s, dir.filePath(u"lists"_s)};
        QCOMPARE(asked(platform.saveRequests), offered);
    }

    // Closing the window by any way asks about changes since the last save or load, and the title
    // marks them. The change is an added entry or a typed title; "saved" answers the save dialog.
    void closing_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("change"); // empty: none
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("saveAnswered"); // the save dialog is answered with a file
        QTest::addColumn<bool>("closed");

        const auto Save = QMessageBox::Save;
        const auto Discard = QMessageBox::Discard;
        const auto Cancel = QMessageBox::Cancel;
        QTest::newRow("unchanged: close box, no question")
            << u"close box"_s << QString() << Cancel << false << true;
        QTest::newRow("unchanged: 終了, no question") << u"終了"_s << QString() << Cancel << false << true;
        QTest::newRow("change undone: no question")
            << u"close box"_s << u"undone"_s << Cancel << false << true;
        QTest::newRow("entry added: close box, 保存") << u"close box"_s << u"entry"_s << Save << true << true;
        QTest::newRow("entry added: 保存, dialog cancelled")
            << u"close box"_s << u"entry"_s << Save << false << false;
        QTest::newRow("entry added: 終了, 保存しない") << u"終了"_s << u"entry"_s << Discard << false << true;
        QTest::newRow("entry added: Ctrl+Q, キャンセル")
            << u"Ctrl+Q"_s << u"entry"_s << Cancel << false << false;
        QTest::newRow("title typed: close(), 保存しない")
            << u"close()"_s << u"title"_s << Discard << false << true;
        QTest::newRow("title typed: Ctrl+Q, 保存") << u"Ctrl+Q"_s << u"title"_s << Save << true << true;
        QTest::newRow("title typed: close box, キャンセル")
            << u"close box"_s << u"title"_s << Cancel << false << false;
    }

    void closing()
    {
        QFETCH(QString, way);
        QFETCH(QString, change);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, saveAnswered);
        QFETCH(bool, closed);
        const QString file = QDir(m_dir->path()).filePath(u"closing.txt"_s);
        FakePlatform platform;
        main1 window(platform);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        if (change == u"entry"_s || change == u"undone"_s) {
            window.Text2->setText(u"サイト"_s);
            window.Text3->setText(u"http://example.jp/"_s);
            window.Command2->click();
        }
        if (change == u"undone"_s)
            window.undoAction->trigger();
        if (change == u"title"_s) {
            setListRows(window, exampleEntries); // a starting point, outside the undo history
            window.Text6->setText(u"新しいタイトル"_s);
        }
        const bool changed = change == u"entry"_s || change == u"title"_s;
        QCOMPARE(window.windowTitle().startsWith(u'*'), changed);

        platform.answers.enqueue(answer);
        if (saveAnswered)
            platform.fileNames.enqueue(file);
        if (way == u"close box"_s) {
            QCloseEvent event; // what the window manager sends for the close box and Alt+F4
            QCoreApplication::sendEvent(window.windowHandle(), &event);
        } else if (way == u"終了"_s) {
            window.eexit->trigger();
        } else if (way == u"Ctrl+Q"_s) {
            QTest::keySequence(&window, QKeySequence(u"Ctrl+Q"_s));
        } else {
            window.close();
        }

        if (changed) {
            QCOMPARE(platform.messages.size(), saveAnswered ? 2 : 1);
            const MessageRequest& question = platform.messages.constFirst();
            QCOMPARE(question.objectName, u"saveChangesBox"_s);
            QCOMPARE(question.text, u"変更を保存しますか？"_s);
            const QStringList buttons{question.buttonTexts.value(QMessageBox::Save),
                                      question.buttonTexts.value(QMessageBox::Discard),
                                      question.buttonTexts.value(QMessageBox::Cancel)};
            QCOMPARE(buttons, (QStringList{u"保存"_s, u"保存しない"_s, u"キャンセル"_s}));
        } else {
            QVERIFY(platform.messages.isEmpty());
        }
        QCOMPARE(!window.isVisible(), closed);
        QCOMPARE(QFileInfo::exists(file), saveAnswered);
        const bool quits = way != u"close box"_s && way != u"close()"_s;
        QCOMPARE(platform.quitCalls, closed && quits ? 1 : 0);
        QCOMPARE(window.windowTitle().startsWith(u'*'), changed && !saveAnswered);
    }

private:
    QString m_startDirectory;
    std::optional<QTemporaryDir> m_dir;
};

QTEST_MAIN(tst_listfile_window)
#include "tst_listfile_window.moc"
