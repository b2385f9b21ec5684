#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace siteloom {

// Window layouts are given in twips (1/1440 inch; 15 twips to a pixel at 96 dpi). One conversion
// serves every window, scaled with the screen's logical dpi.
[[nodiscard]] int twips(int value);
[[nodiscard]] QRect twipsRect(int left, int top, int width, int height);
void placeTwips(QWidget* widget, int left, int top, int width, int height);

// The two Japanese faces the windows ask for by their traditional names. Substitutions make them
// resolve to one Mincho (serif) or one Gothic (sans) face that the machine has, whatever the locale.
inline constexpr char16_t minchoFamily[] = u"ＭＳ 明朝";
inline constexpr char16_t gothicFamily[] = u"ＭＳ Ｐゴシック";
void installFontSubstitutions();
[[nodiscard]] QFont minchoFont(qreal pointSize, bool bold = false);
[[nodiscard]] QFont gothicFont(qreal pointSize, bool bold = false);

// Copies each objectName into the accessibleDescription of the window and of every named widget in
// it: Qt 6.4 gives assistive technology no object id, so automation finds a control by its
// description.
void exposeObjectNames(QWidget* window);

// Keeps every single-line text box of the window free of line breaks: pasted text loses its CR and
// LF characters, which a one-line box cannot show and which would break the lines of the files the
// boxes' texts are written into.
void keepTextBoxesSingleLine(QWidget* window);

// Loads Qt's own Japanese translation (dialog buttons, the file dialog) whatever the locale says.
void installJapaneseTranslation();

} // namespace siteloom
