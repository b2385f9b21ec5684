#pragma once

#include <QStringView>

#include <iterator>

// The page's markup, every fixed piece of it, for the page writer and for reading a page back: a
// page this tool wrote reads back only as long as both take their pieces from here. A piece that
// ends in "Start" or "Middle" is followed by a value on the same line, and the one ending in "End"
// closes that line.
namespace siteloom::pagemarkup {

// Where the credit line at the foot of every page points: the tool's download page.
inline constexpr char16_t downloadPageUrl[] = u"http://siteloom.example.jp/download.html";

inline constexpr QStringView htmlStart = u"<HTML>", htmlEnd = u"</HTML>";
inline constexpr QStringView headStart = u"<HEAD>", headEnd = u"</HEAD>";
inline constexpr QStringView titleStart = u"<TITLE>", titleEnd = u"</TITLE>";

// The style sheet after the head, line by line.
inline constexpr QStringView styleSheet[] = {
    u"<STYLE TYPE =\"text/css\">",
    u"<!--",
    u"TABLE{font-size:14pt}",
    u"P{font-size:14pt}",
    u"div{font-size:14pt}",
    u"body{font-size:14pt}",
    u"-->",
    u"</STYLE>",
};
// The line of the page that starts the body: the head's four lines and the style sheet come first.
inline constexpr qsizetype bodyLine = 4 + qsizetype(std::size(styleSheet));

// The body-start lines of the eight colour choices, white first; the page's colours are a little
// off the sample colours painted on the buttons.
inline constexpr QStringView colourBodies[] = {
    u"<BODY bgcolor=\"#ffffff\">", u"<BODY bgcolor=\"#84FFFF\">", u"<BODY bgcolor=\"#FFFF84\">",
    u"<BODY bgcolor=\"#FFC384\">", u"<BODY bgcolor=\"#84FF84\">", u"<BODY bgcolor=\"#C6C3FF\">",
    u"<BODY bgcolor=\"#FFC3C6\">", u"<BODY bgcolor=\"#FFC3FF\">",
};
inline constexpr QStringView imageBodyStart = u"<BODY background=\"";
// Ends the lines whose value is the last attribute of their tag.
inline constexpr QStringView attributeLineEnd = u"\">";
inline constexpr QStringView bodyEnd = u"</BODY>";

inline constexpr QStringView blankLine = u" ";
inline constexpr QStringView headingStart = u"<div align=\"center\"><B><FONT size=\"+3\">";
// Stands before the title when the heading carries the back link: the title is never blank, so
// this line tells that the back link follows.
inline constexpr QStringView headingIndent = u"　　　";
inline constexpr QStringView headingTitleEnd = u"</FONT>";
inline constexpr QStringView backLinkStart = u"　<A href=\"", backLinkEnd = u"\" target=\"_top\">";
inline constexpr QStringView backLinkText = u"戻る</A>";
inline constexpr QStringView headingEnd = u"</B></div><br>";
inline constexpr QStringView rule = u"<HR>", lineBreak = u"<br>";
inline constexpr QStringView centreStart = u"<center>", centreEnd = u"</CENTER>";
inline constexpr QStringView tableStart = u"<table border=\"0\">", tableEnd = u"</TABLE>";
inline constexpr QStringView sectionEnd = u"<BR><HR><BR> ";

// The six lines of each entry: its row (the site's link around the banner, a spacer, the name) and a
// row of spacing.
inline constexpr QStringView rowStart = u"<tr>", rowEnd = u"</tr>";
inline constexpr QStringView siteLinkStart = u"<td nowrap align=\"left\"><A href=\"";
inline constexpr QStringView siteLinkMiddle = u"\" target=\"_blank\"><img src=\"";
inline constexpr QStringView siteLinkEnd = u"\" border=\"0\"></A></td>";
inline constexpr QStringView spacerCell = u"<td>　</td>";
inline constexpr QStringView nameStart = u"<td nowrap align=\"left\"><B>", nameEnd = u"</B></td>";
inline constexpr QStringView spacingRow = u"<tr><td>　</td><td>　</td></tr>";
inline constexpr qsizetype linesPerEntry = 6;

// The section for visitors who link back: the owner's banner and, in a text area, the markup of a
// banner link and of a text link to copy.
inline constexpr QStringView linkBackStart = u"<CENTER><FONT size=\"+2\">";
inline constexpr QStringView linkBackHeading = u"リンクしていただける方へ</FONT><BR><BR>";
inline constexpr QStringView ownBannerStart = u"<img src=\"", ownBannerEnd = u"\"><br><br>";
inline constexpr QStringView copyAreaStart =
    u"<textarea rows=\"10\" cols=\"80\" name=\"soy\" wrap=\"physical\">";
inline constexpr QStringView ownLinkStart = u"<A href=\"";
inline constexpr QStringView ownImageStart = u"<IMG src=\"";
inline constexpr QStringView linkEnd = u"</A>";
inline constexpr QStringView orText = u"または";
inline constexpr QStringView copyAreaEnd = u"</textarea>";
inline constexpr QStringView choiceStart = u"<br><br><FONT size=\"+1\">";
inline constexpr QStringView choiceText =
    u"<B>上記のどちらか片方を選択して、貴ＨＰリンクにお加え下さい。</B></FONT><BR>";
// The lines of the section, counted from its start, where the owner's banner, URL and name stand.
inline constexpr qsizetype ownBannerLine = 2, ownUrlLine = 4, ownNameLine = 11;

inline constexpr QStringView creditStart = u"<h5 align=\"right\"><A href=\"";
inline constexpr QStringView creditEnd = u"\" target=\"_blank\">そよかツール作成(siteloom.exe)</A></h5>";

// The colour choices come first, then the image background.
inline constexpr int imageBackground = 9;
// A URL field left at its start text: it names no background image, and an own banner or own URL
// at it leaves out the link-back section.
inline constexpr QStringView emptyUrl = u"http://";

} // namespace siteloom::pagemarkup
