#include "ui/ui.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The design: a 9 pt Gothic on a 96 dpi screen, whose lines are 12 pixels high and whose proportional
// kana and kanji set the caption 基準パソコンディレクトリ in 123 pixels; the Mincho's lines are as high.
constexpr qreal designPoints = 9.0;
constexpr qreal designDpi = 96.0;
constexpr qreal designLineHeight = 12.0;
constexpr char16_t designSample[] = u"基準パソコンディレクトリ";
constexpr qreal designSampleWidth = 123.0;
constexpr qreal twipsPerInch = 1440.0;
// Where the design's group boxes begin their first row of controls, below the title.
constexpr int groupBoxTitleTwips = 240;

qreal screenDpi()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInch();
    return designDpi;
}

// The user-interface font's size in points, however the desktop gave it.
qreal interfacePoints()
{
    const QFont font = QGuiApplication::font();
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return font.pixelSize() * 72.0 / screenDpi();
}

QFont makeFont(QFont font, qreal pointSize, bool bold)
{
    font.setPointSizeF(pointSize * interfacePoints() / designPoints);
    font.setBold(bold);
    return font;
}

// How much larger than the design's the faces of the windows are, never below 1.
qreal twipScale()
{
    const QFontMetricsF gothic(QGuiApplication::font());
    const QFontMetricsF mincho(minchoFont(designPoints));
    const qreal grown =
        std::max({gothic.height() / designLineHeight, mincho.height() / designLineHeight,
                  gothic.horizontalAdvance(QString::fromUtf16(designSample)) / designSampleWidth});
    return std::max(1.0, grown * designDpi / screenDpi());
}

// How far the style draws a group box's first row below its top beyond the room the design gives
// the title.
int titleOffset(const QGroupBox* box)
{
    return std::max(0, box->contentsMargins().top() - twips(groupBoxTitleTwips));
}

} // namespace

int twips(int value)
{
    return static_cast<int>(std::lround(value * screenDpi() / twipsPerInch * twipScale()));
}

QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

void placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    QRect place = twipsRect(left, top, width, height);
    if (const auto* box = qobject_cast<const QGroupBox*>(widget->parentWidget()))
        place.translate(0, titleOffset(box));
    // The design's last row of a group box reaches down to its bottom edge; the style's frame takes
    // room below it.
    if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        place.setHeight(place.height() + titleOffset(box) + box->contentsMargins().bottom());
    widget->setGeometry(place);
}

void installFontSubstitutions()
{
    QFont::insertSubstitutions(QString::fromUtf16(minchoFamily),
                               {u"IPAMincho"_s, u"IPAexMincho"_s, u"Noto Serif CJK JP"_s, u"serif"_s});
    QFont::insertSubstitutions(QString::fromUtf16(gothicFamily),
                               {u"IPAPGothic"_s, u"IPAexGothic"_s, u"Noto Sans CJK JP"_s, u"sans-serif"_s});
}

QFont interfaceFont(const QFont& desktopFont)
{
    if (QFontDatabase::writingSystems(QFontInfo(desktopFont).family()).contains(QFontDatabase::Japanese))
        return desktopFont;
    QFont gothic(QString::fromUtf16(gothicFamily));
    if (desktopFont.pointSizeF() > 0)
        gothic.setPointSizeF(desktopFont.pointSizeF());
    else
        gothic.setPixelSize(desktopFont.pixelSize());
    return gothic;
}

QFont minchoFont(qreal pointSize, bool bold)
{
    return makeFont(QFont(QString::fromUtf16(minchoFamily)), pointSize, bold);
}

QFont gothicFont(qreal pointSize, bool bold)
{
    return makeFont(QGuiApplication::font(), pointSize, bold);
}

void keepTextBoxesSingleLine(QWidget* window)
{
    const QList<QLineEdit*> boxes = window->findChildren<QLineEdit*>();
    for (QLineEdit* box : boxes) {
        QObject::connect(box, &QLineEdit::textChanged, box, [box](const QString& text) {
            if (!text.contains(u'\r') && !text.contains(u'\n'))
                return;
            // The cursor stays after what was typed or pasted, less the line breaks before it.
            const int cursor = box->cursorPosition();
            const QStringView before = QStringView(text).first(cursor);
            const int removedBefore = int(before.count(u'\r') + before.count(u'\n'));
            QString single = text;
            single.remove(u'\r').remove(u'\n');
            box->setText(single);
            box->setCursorPosition(cursor - removedBefore);
        });
    }
}

void exposeObjectNames(QWidget* window)
{
    window->setAccessibleDescription(window->objectName());
    const auto children = window->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(u"qt_"_s))
            child->setAccessibleDescription(child->objectName());
    }
}

} // namespace siteloom
