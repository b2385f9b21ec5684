#pragma once

#include <QString>
#include <QStringList>

namespace siteloom {

// The title a new page starts with, and the one it gets back when the title field holds nothing
// but blanks.
inline constexpr char16_t defaultPageTitle[] = u"リ　ン　ク　集";

// Everything the main window holds that goes into a page or a list file, as plain values. The
// defaults are the window's start values.
struct PageInputs
{
    QStringList entries;                            // the link list, one link entry per line, in page order
    QString fileName = QStringLiteral("link.html"); // output page file name
    int background = 1;                             // the background button that is on, 1 to 9; 0 for none
    QString backgroundImage = QStringLiteral("http://");  // background image URL, used with button 9
    QString title = QString::fromUtf16(defaultPageTitle); // page title
    QString ownBanner = QStringLiteral("http://");        // the owner's banner image URL
    QString ownName;                                      // the owner's site name
    QString ownUrl = QStringLiteral("http://");           // the owner's site URL

    friend bool operator==(const PageInputs&, const PageInputs&) = default;
};

// The background buttons, in the order the page and the list file test them.
inline constexpr int backgroundChoices = 9;

} // namespace siteloom
