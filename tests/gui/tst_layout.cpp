#include "fakeplatform.h"
#include "fm1/fm1.h"
#include "frmabt/frmabt.h"
#include "guitest.h"
#include "main1/main1.h"
#include "ui.h"

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
    void noCaptionIsCutOff();
    void drawnAtTheIntendedScale();
};

namespace {

// The captions of a window that do not fit the room their control gives them, as 'name "caption"'.
QStringList cutOffCaptions(const QWidget* window)
{
    QStringList cut;
    const auto note = [&cut](const QWidget* widget, const QString& caption) {
        cut.append(u"%1 \"%2\""_s.arg(widget->objectName(), caption));
    };
    const auto widgets = window->findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        const QFontMetrics metrics = widget->fontMetrics();
        if (widget->window() != window)
            continue; // a window of its own, checked by itself
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            const QSize needed = label->sizeHint();
            if (!label->text().isEmpty() && !label->wordWrap() &&
                (needed.width() > label->width() || needed.height() > label->height()))
                note(label, label->text());
        } else if (const auto* push = qobject_cast<const QPushButton*>(widget)) {
            // The caption stands inside the button's bevel.
            if (metrics.horizontalAdvance(push->text()) + 4 > push->width() ||
                metrics.height() + 2 > push->height())
                note(push, push->text());
        } else if (const auto* choice = qobject_cast<const QRadioButton*>(widget)) {
            // The caption stands beside the round indicator.
            const QStyle* style = choice->style();
            const int indicator = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, choice) +
                                  style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, choice);
            if (indicator + metrics.horizontalAdvance(choice->text()) > choice->width() ||
                metrics.height() > choice->height())
                note(choice, choice->text());
        } else if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
            if (metrics.horizontalAdvance(frame->title()) + 8 > frame->width())
                note(frame, frame->title());
        } else if (const auto* tabs = qobject_cast<const QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                if (tabs->tabBar()->tabRect(i).right() > tabs->width())
                    note(tabs, tabs->tabText(i));
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

// The main window, the directory chooser and the about window, all open at once.
void tst_layout::noCaptionIsCutOff()
{
    FakePlatform platform;
    main1 owner(platform);
    owner.show();
    owner.Command1->click();
    owner.about->trigger();
    for (QWidget* window :
         std::initializer_list<QWidget*>{&owner, owner.chooserWindow(), owner.aboutWindow()}) {
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        const QStringList cut = cutOffCaptions(window);
        QVERIFY2(cut.isEmpty(), qPrintable(window->objectName() + u" cuts off "_s + cut.join(u", "_s)));
    }
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
