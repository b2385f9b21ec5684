#include "guitest.h"
#include "qtplatform.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace siteloom;

// The application as the desktop meets it: its id, version and icon, and Qt's own texts (message
// box buttons, the file dialog) in Japanese like the tool's own.
class tst_desktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareGuiTest(); }

    void identityForTheDesktop()
    {
        QCOMPARE(QGuiApplication::desktopFileName(), u"jp.example.siteloom"_s);
        QCOMPARE(QCoreApplication::applicationVersion(), u"1.01"_s);
        // The icon is compiled in, in the sizes the window decorations, the task switcher and the about
        // window draw it at.
        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        for (const int side : {16, 24, 32, 48, 64, 256})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(u"no %1 px icon"_s.arg(side)));
        QVERIFY(!QApplication::windowIcon().pixmap(32).toImage().isNull());
    }

    // The browser question's buttons and Qt's own file dialog (not the desktop's) take their texts from
    // Qt's translation.
    void qtTextsInJapanese()
    {
        QMessageBox box(QMessageBox::Warning, u"インターネット接続"_s, u"?"_s,
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), u"はい(&Y)"_s);
        QCOMPARE(box.button(QMessageBox::No)->text(), u"いいえ(&N)"_s);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QCOMPARE(control<QLabel>(&dialog, u"lookInLabel"_s)->text(), u"アドレス:"_s);
        QCOMPARE(control<QLabel>(&dialog, u"fileNameLabel"_s)->text(), u"ファイル名(&N):"_s);
        QCOMPARE(control<QLabel>(&dialog, u"fileTypeLabel"_s)->text(), u"ファイルの種類:"_s);
    }

    void messageCentredOnItsWindow_data()
    {
        QTest::addColumn<QRect>("window"); // its frame, on a screen of 1366×768 less a 32-pixel panel
        QTest::addColumn<QSize>("box");
        QTest::newRow("window in the middle") << QRect(200, 100, 800, 500) << QSize(300, 120);
        QTest::newRow("window at the top left, its frame included")
            << QRect(0, 0, 1064, 827) << QSize(300, 120);
        QTest::newRow("window smaller than the box") << QRect(600, 300, 100, 60) << QSize(300, 120);
        QTest::newRow("window half off the right edge") << QRect(1200, 400, 400, 300) << QSize(300, 120);
    }

    // A message stands centred on its window's frame, and never beyond the screen's available area:
    // where centring would put it off the screen, it stands at the edge instead.
    void messageCentredOnItsWindow()
    {
        QFETCH(QRect, window);
        QFETCH(QSize, box);
        const QRect available(0, 32, 1366, 736);
        const QRect placed(centredOn(window, box, available), box);
        QVERIFY(available.contains(placed));
        if (available.contains(QRect(window.center() - QPoint(box.width(), box.height()) / 2, box)))
            QVERIFY((placed.center() - window.center()).manhattanLength() <= 1);
    }

    void fileDetailsInJapanese_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("size");
        QTest::newRow("bytes") << 718 << u"718 バイト"_s;
        QTest::newRow("kilobytes of 1024 bytes") << 1536 << u"1.50 KB"_s;
    }

    // The dialog's file sizes and dates are Japanese although the test runs under the C locale, whose
    // own would be "718 bytes" and "2 Apr 2000".
    void fileDetailsInJapanese()
    {
        QFETCH(int, bytes);
        QFETCH(QString, size);
        QTemporaryDir dir;
        QFile file(dir.filePath(u"link.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(bytes, 'x')), qint64(bytes));
        QVERIFY(file.flush());
        QVERIFY(
            file.setFileTime(QDateTime(QDate(2000, 4, 2), QTime(9, 5)), QFileDevice::FileModificationTime));
        file.close();

        const std::unique_ptr<QFileDialog> dialog(makeFileDialog(
            nullptr, {{u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"_s}, u"link.txt"_s, dir.path()}, QFileDialog::AcceptOpen));
        dialog->show();
        const QTreeView* view = control<QTreeView>(dialog.get(), u"treeView"_s);
        const auto details = [view] {
            const QAbstractItemModel* model = view->model();
            const QModelIndex name = model->index(0, 0, view->rootIndex());
            return QStringList{name.data().toString(), name.siblingAtColumn(1).data().toString(),
                               name.siblingAtColumn(3).data().toString(),
                               view->rootIndex().siblingAtColumn(2).data().toString()};
        };
        QTRY_COMPARE(details(), (QStringList{u"link.txt"_s, size, u"2000/04/02 9:05"_s, u"フォルダー"_s}));
        // Shown whole, not cut off.
        QTRY_VERIFY(view->columnWidth(1) >= view->fontMetrics().horizontalAdvance(size));
        QTRY_VERIFY(view->columnWidth(3) >= view->fontMetrics().horizontalAdvance(details().at(2)));
    }
};

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
