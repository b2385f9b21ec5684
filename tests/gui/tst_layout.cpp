#include "fakeplatform.h"
#include "fm1/fm1.h"
#include "frmabt/frmabt.h"
#include "guitest.h"
#include "main1/main1.h"
#include "ui/ui.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

using namespace Qt::StringLiterals;
using namespace siteloom;

namespace {

// The controls of a window, named as its code names them; each stands for its caption and frame.
QList<const QWidget*> namedControls(const QWidget* window)
{
    QList<const QWidget*> controls;
    const auto widgets = window->findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        if (widget->window() == window && widget->isVisibleTo(window) && !widget->objectName().isEmpty() &&
            !widget->objectName().startsWith(u"qt_"_s))
            controls.append(widget);
    }
    return controls;
}

// Whether a control is too small for what it shows: its caption, or a line of text in its font.
bool cutOff(const QWidget* widget)
{
    const QFontMetrics metrics = widget->fontMetrics();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return !label->wordWrap() &&
               (label->sizeHint().width() > label->width() || label->sizeHint().height() > label->height());
    if (const auto* push = qobject_cast<const QPushButton*>(widget)) // inside the button's bevel
        return metrics.horizontalAdvance(push->text()) + 4 > push->width() ||
               metrics.height() + 2 > push->height();
    if (const auto* choice = qobject_cast<const QRadioButton*>(widget)) { // beside the round indicator
        const QStyle* style = choice->style();
        const int indicator = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, choice) +
                              style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, choice);
        return indicator + metrics.horizontalAdvance(choice->text()) > choice->width() ||
               metrics.height() > choice->height();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget))
        return metrics.horizontalAdvance(frame->title()) + 8 > frame->width();
    if (const auto* tabs = qobject_cast<const QTabWidget*>(widget))
        return tabs->tabBar()->geometry().right() > tabs->width() ||
               tabs->tabBar()->tabRect(tabs->count() - 1).right() > tabs->tabBar()->width();
    if (qobject_cast<const QLineEdit*>(widget)) // a line inside the frame
        return metrics.height() +
                   2 * widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget) >
               widget->height();
    if (qobject_cast<const QComboBox*>(widget))
        return metrics.height() +
                   2 * widget->style()->pixelMetric(QStyle::PM_ComboBoxFrameWidth, nullptr, widget) >
               widget->height();
    if (const auto* edit = qobject_cast<const QTextEdit*>(widget))
        return edit->document()->size().height() + 2 * edit->frameWidth() > edit->height();
    return false;
}

// Where a control draws in its parent: a label's text where its alignment puts it, else the whole
// control.
QRect drawnRect(const QWidget* widget)
{
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (!label || label->text().isEmpty())
        return widget->geometry();
    return QStyle::alignedRect(label->layoutDirection(), label->alignment(), label->sizeHint(),
                               label->geometry());
}

// What is wrong with a window, as 'name cut off', 'name outside its parent', 'name over name'.
QStringList faults(const QWidget* window)
{
    QStringList found;
    const QList<const QWidget*> controls = namedControls(window);
    for (const QWidget* control : controls) {
        const QRect drawn = drawnRect(control);
        if (cutOff(control))
            found.append(control->objectName() + u" cut off"_s);
        // A scroll area's content is larger than the view on a small screen: that is what it is for.
        const auto* area = qobject_cast<const QScrollArea*>(control->parentWidget()->parentWidget());
        const bool scrolled = area && area->widget() == control;
        if (!scrolled && !control->parentWidget()->contentsRect().contains(drawn))
            found.append(control->objectName() + u" outside its parent"_s);
        for (const QWidget* other : controls) {
            if (other != control && other->parentWidget() == control->parentWidget() &&
                control->objectName() < other->objectName() && drawn.intersects(drawnRect(other)))
                found.append(control->objectName() + u" over "_s + other->objectName());
        }
    }
    return found;
}

} // namespace

// Every caption and control of the three windows shows whole and apart from the others, whatever
// Japanese face and size the desktop gives and whatever the screen's dpi. ctest runs this suite once
// with the machine's fonts and once for each set of font packages the tool's package accepts, alone
// on the machine beside a Latin face, on offscreen screens of 96, 144 and 192 dpi.
class tst_layout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        prepareGuiTest();
        QVERIFY2(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty(),
                 "no Japanese face: install the font packages scripts/lib.sh names");
    }

    void everyCaptionWholeAndApart_data()
    {
        QTest::addColumn<QFont>("desktopFont");
        QTest::addColumn<int>("screen");
        // A desktop font without Japanese, as many desktops give, for which the Gothic stands in, and each
        // other Japanese face on the machine; Noto's Chinese and Korean cuts share the Japanese one's
        // metrics.
        const QString latin = u"DejaVu Sans"_s;
        QStringList faces{latin};
        for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
            if (family != QFontInfo(interfaceFont(QFont(latin))).family() && !family.endsWith(u" HK"_s) &&
                !family.endsWith(u" KR"_s) && !family.endsWith(u" SC"_s) && !family.endsWith(u" TC"_s))
                faces.append(family);
        }
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (const QString& face : std::as_const(faces)) {
            for (int points = 9; points <= 14; ++points) {
                for (int screen = 0; screen < screens.size(); ++screen) {
                    QFont font(face);
                    font.setPointSize(points);
                    QTest::addRow("%s %d pt %d dpi", qPrintable(face), points,
                                  qRound(96 * screens[screen]->devicePixelRatio()))
                        << font << screen;
                }
            }
        }
    }

    // The main window (each tab), the directory chooser and the about window, all open at once on the
    // screen of the row.
    void everyCaptionWholeAndApart()
    {
        QFETCH(QFont, desktopFont);
        QFETCH(int, screen);
        QApplication::setFont(interfaceFont(desktopFont));
        QScreen* display = QGuiApplication::screens().at(screen);
        FakePlatform platform;
        main1 owner(platform);
        fm1 chooser(platform, &owner);
        frmabt about(platform, &owner);
        for (QWidget* window : std::initializer_list<QWidget*>{&owner, &chooser, &about}) {
            window->setScreen(display);
            window->move(display->geometry().topLeft());
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QCOMPARE(window->devicePixelRatioF(), display->devicePixelRatio());
        }
        QCOMPARE(owner.Label2->font().pointSizeF(), desktopFont.pointSizeF());
        for (int tab = 0; tab < owner.SSTab1->count(); ++tab) {
            owner.SSTab1->setCurrentIndex(tab);
            for (const QWidget* window : std::initializer_list<const QWidget*>{&owner, &chooser, &about}) {
                const QStringList found = faults(window);
                QVERIFY2(found.isEmpty(),
                         qPrintable(u"%1 in %2: %3"_s.arg(
                             window->objectName(), QFontInfo(window->font()).family(), found.join(u", "_s))));
            }
        }
    }
};

QTEST_MAIN(tst_layout)
#include "tst_layout.moc"
