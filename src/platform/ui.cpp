#include "ui.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <QWidget>
#include <cmath>

using namespace Qt::StringLiterals;

namespace siteloom {

int twips(int value)
{
    qreal dpi = 96.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInch();
    return static_cast<int>(std::lround(value * dpi / 1440.0));
}

QRect twipsRect(int left, int top, int width, int height)
{
    return {twips(left), twips(top), twips(width), twips(height)};
}

void placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
}

void installFontSubstitutions()
{
    QFont::insertSubstitutions(QString::fromUtf16(minchoFamily),
                               {u"IPAMincho"_s, u"IPAexMincho"_s, u"Noto Serif CJK JP"_s, u"serif"_s});
    QFont::insertSubstitutions(QString::fromUtf16(gothicFamily),
                               {u"IPAPGothic"_s, u"IPAexGothic"_s, u"Noto Sans CJK JP"_s, u"sans-serif"_s});
}

namespace {

QFont makeFont(const char16_t* family, qreal pointSize, bool bold)
{
    QFont font(QString::fromUtf16(family));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

QFont minchoFont(qreal pointSize, bool bold)
{
    return makeFont(minchoFamily, pointSize, bold);
}

QFont gothicFont(qreal pointSize, bool bold)
{
    return makeFont(gothicFamily, pointSize, bold);
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

void installJapaneseTranslation()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), u"qtbase"_s, u"_"_s,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace siteloom
