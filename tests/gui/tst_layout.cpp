#include "about/frmabt.h"
#include "dirs/fm1.h"
#include "fakeplatform.h"
#include "guitest.h"
#include "main/main1.h"
#include "platform/ui.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;
using namespace siteloom;

// Every caption of every window shows whole with the fonts this machine has. ctest runs this suite
// twice: at 96 dpi and with QT_SCALE_FACTOR=2 (192 dpi).
class tst_layout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noCaptionIsCutOff_data();
    void noCaptionIsCutOff();
    void drawnAtTheIntendedScale();
};

namespace {

QString describe(const QWidget* widget, const QString& text)
{
    return u"%1 \"%2\""_s.arg(widget->objectName(), text);
}

// The captions of a window that do not fit the room their control gives them.
QStringList cutOffCaptions(const QWidget* window)
{
    QStringList cut;
    const auto widgets = window->findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        const QFontMetrics metrics = widget->fontMetrics();
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->text().isEmpty() || label->wordWrap())
                continue;
            const QSize needed = label->sizeHint();
            if (needed.width() > label->width() || needed.height() > label->height())
                cut.append(describe(label, label->text()));
        } else if (const auto* push = qobject_cast<const QPushButton*>(widget)) {
            // The caption stands inside the button's bevel.
            if (metrics.horizontalAdvance(push->text()) + 4 > push->width() ||
                metrics.height() + 2 > push->height())
                cut.append(describe(push, push->text()));
        } else if (const auto* choice = qobject_cast<const QRadioButton*>(widget)) {
            // The caption stands beside the round indicator.
            const QStyle* style = choice->style();
            const int indicator = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, choice) +
                                  style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, choice);
            if (indicator + metrics.horizontalAdvance(choice->text()) > choice->width() ||
                metrics.height() > choice->height())
                cut.append(describe(choice, choice->text()));
        } else if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
            if (metrics.horizontalAdvance(frame->title()) + 8 > frame->width())
                cut.append(describe(frame, frame->title()));
        } else if (const auto* tabs = qobject_cast<const QTabWidget*>(widget)) {
            const QTabBar* bar = tabs->tabBar();
            for (int i = 0; i < bar->count(); ++i) {
                if (bar->tabRect(i).right() > tabs->width())
                    cut.append(describe(tabs, bar->tabText(i)));
            }
        }
    }
    return cut;
}

} // namespace

void tst_layout::initTestCase()
{
    prepareGuiTest();
}

void tst_layout::noCaptionIsCutOff_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("main window") << u"main1"_s;
    QTest::newRow("directory chooser") << u"fm1"_s;
    QTest::newRow("about window") << u"frmabt"_s;
}

void tst_layout::noCaptionIsCutOff()
{
    QFETCH(QString, window);
    FakePlatform platform;
    main1 owner(platform);
    owner.show();
    owner.Command1->click();
    owner.about->trigger();
    QWidget* shown = &owner;
    if (window == u"fm1"_s)
        shown = owner.chooserWindow();
    else if (window == u"frmabt"_s)
        shown = owner.aboutWindow();
    QVERIFY(shown);
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const QStringList cut = cutOffCaptions(shown);
    QVERIFY2(cut.isEmpty(), qPrintable(u"cut off: "_s + cut.join(u", "_s)));
}

// The windows are drawn at the scale this run stands for, in the 9 pt Gothic they were laid out for;
// the layout and the text grow together, so fonts stay in proportion.
void tst_layout::drawnAtTheIntendedScale()
{
    FakePlatform platform;
    main1 window(platform);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                            ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                            : 1.0;
    QCOMPARE(window.devicePixelRatioF(), scale);
    QCOMPARE(window.grab().size(), window.size() * scale);
    QCOMPARE(window.Label2->font().family(), QString::fromUtf16(gothicFamily));
    QCOMPARE(window.Label2->font().pointSizeF(), 9.0);
}

QTEST_MAIN(tst_layout)
#include "tst_layout.moc"
