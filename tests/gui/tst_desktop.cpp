#include "guitest.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace siteloom;

// The application as the desktop meets it: its id, version and icon, and Qt's own texts (message
// box buttons, the file dialog) in Japanese like the tool's own.
class tst_desktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void identityForTheDesktop();
    void messageBoxButtonsInJapanese_data();
    void messageBoxButtonsInJapanese();
    void fileDialogInJapanese_data();
    void fileDialogInJapanese();
};

void tst_desktop::initTestCase()
{
    prepareGuiTest();
}

void tst_desktop::identityForTheDesktop()
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

void tst_desktop::messageBoxButtonsInJapanese_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Yes of the browser question") << int(QMessageBox::Yes) << u"はい(&Y)"_s;
    QTest::newRow("No of the browser question") << int(QMessageBox::No) << u"いいえ(&N)"_s;
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << u"キャンセル"_s;
}

void tst_desktop::messageBoxButtonsInJapanese()
{
    QFETCH(int, button);
    QFETCH(QString, caption);
    QMessageBox box(QMessageBox::Warning, u"インターネット接続"_s, u"?"_s,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::StandardButton(button))->text(), caption);
}

void tst_desktop::fileDialogInJapanese_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("caption");
    QTest::newRow("directory") << u"lookInLabel"_s << u"アドレス:"_s;
    QTest::newRow("file name") << u"fileNameLabel"_s << u"ファイル名(&N):"_s;
    QTest::newRow("file type") << u"fileTypeLabel"_s << u"ファイルの種類:"_s;
}

// The tool uses Qt's own file dialog (not the desktop's), so its texts come from Qt's translation.
void tst_desktop::fileDialogInJapanese()
{
    QFETCH(QString, label);
    QFETCH(QString, caption);
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QCOMPARE(control<QLabel>(&dialog, label)->text(), caption);
}

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
