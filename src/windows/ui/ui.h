#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace siteloom {

// Window layouts are given in twips, drawn for the 9 pt Japanese Gothic of a 96 dpi screen (15 twips
// to a pixel there). A twip is mapped to pixels through the metrics of the faces the windows use, the
// user-interface font and the Mincho at its size: as much larger as they are than the design's faces
// (never smaller), so that the whole arrangement keeps its proportions and grows with the font.
// Controls inside a group box stand below the box's title as the style draws it; the box grows by as
// much.
[[nodiscard]] int twips(int value);
[[nodiscard]] QRect twipsRect(int left, int top, int width, int height);
void placeTwips(QWidget* widget, int left, int top, int width, int height);

// The two Japanese faces the windows ask for by their traditional names. Substitutions make them
// resolve to one Mincho (serif) or one Gothic (sans) face that the machine has, whatever the locale.
inline constexpr char16_t minchoFamily[] = u"ＭＳ 明朝";
inline constexpr char16_t gothicFamily[] = u"ＭＳ Ｐゴシック";
void installFontSubstitutions();

// The windows' user-interface font: the desktop's font when its face has Japanese, else the Gothic at
// the desktop font's size. prepareApplication() makes it the application's font.
[[nodiscard]] QFont interfaceFont(const QFont& desktopFont);

// The faces at the size the layout gives them in points of the 9 pt design; they grow with the
// user-interface font. The Gothic is the user-interface font's face.
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

} // namespace siteloom
