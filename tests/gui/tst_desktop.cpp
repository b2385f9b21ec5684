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
    void qtTextsInJapanese();
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

// The browser question's buttons and Qt's own file dialog (not the desktop's) take their texts from
// Qt's translation.
void tst_desktop::qtTextsInJapanese()
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

QTEST_MAIN(tst_desktop)
#include "tst_desktop.moc"
