#include "page/linkpage.h"

#include "linkentry/linkentry.h"
#include "text/textfile.h"
#include "text/trim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// The body-start lines of the eight colour choices, white first; the page's colours are a little
// off the sample colours painted on the buttons.
constexpr QStringView colourBodies[] = {
    u"<BODY bgcolor=\"#ffffff\">", u"<BODY bgcolor=\"#84FFFF\">", u"<BODY bgcolor=\"#FFFF84\">",
    u"<BODY bgcolor=\"#FFC384\">", u"<BODY bgcolor=\"#84FF84\">", u"<BODY bgcolor=\"#C6C3FF\">",
    u"<BODY bgcolor=\"#FFC3C6\">", u"<BODY bgcolor=\"#FFC3FF\">",
};
constexpr int imageBackground = 9;
// A URL field left at its start text: it names no background image, and an own banner or own URL
// at it leaves out the link-back section.
constexpr QStringView emptyUrl = u"http://";

// Hands lines to the sink. Lines made of pieces are joined in one buffer that is reused for every
// line, so a page of any length costs no allocation per line.
class LineSink
{
public:
    explicit LineSink(const std::function<void(QStringView)>& emitLine) : m_emitLine(emitLine)
    {
        m_line.reserve(1024);
    }

    void line(QStringView text) { m_emitLine(text); }

    void joined(std::initializer_list<QStringView> pieces)
    {
        qsizetype size = 0;
        for (const QStringView piece : pieces)
            size += piece.size();
        m_line.resize(size); // never gives back capacity, so the buffer stops growing early on
        QChar* next = m_line.data();
        for (const QStringView piece : pieces)
            next = std::copy(piece.begin(), piece.end(), next);
        m_emitLine(m_line);
    }

private:
    const std::function<void(QStringView)>& m_emitLine;
    QString m_line;
};

void writeBodyStart(LineSink& out, const PageInputs& inputs)
{
    if (inputs.background == imageBackground && inputs.backgroundImage != emptyUrl) {
        out.joined({u"<BODY background=\""_s, inputs.backgroundImage, u"\">"_s});
        return;
    }
    // No button on, or an image that is not given: a white page.
    const bool colour = inputs.background >= 1 && inputs.background <= int(std::size(colourBodies));
    out.line(colourBodies[colour ? inputs.background - 1 : 0]);
}

void writeEntryRows(LineSink& out, QStringView entry)
{
    const LinkEntryView link = splitEntryView(entry);
    out.line(u"<tr>"_s);
    out.joined({u"<td nowrap align=\"left\"><A href=\""_s, link.siteUrl,
                u"\" target=\"_blank\"><img src=\""_s, link.bannerUrl, u"\" border=\"0\"></A></td>"_s});
    out.line(u"<td>　</td>"_s);
    out.joined({u"<td nowrap align=\"left\"><B>"_s, link.siteName, u"</B></td>"_s});
    out.line(u"</tr>"_s);
    out.line(u"<tr><td>　</td><td>　</td></tr>"_s);
}

// The section for visitors who link back: the owner's banner and, in a text area, the markup of a
// banner link and of a text link to copy.
void writeLinkBack(LineSink& out, const PageInputs& inputs)
{
    out.line(u"<CENTER><FONT size=\"+2\">"_s);
    out.line(u"リンクしていただける方へ</FONT><BR><BR>"_s);
    out.joined({u"<img src=\""_s, inputs.ownBanner, u"\"><br><br>"_s});
    out.line(u"<textarea rows=\"10\" cols=\"80\" name=\"soy\" wrap=\"physical\">"_s);
    out.joined({u"<A href=\""_s, inputs.ownUrl, u"\">"_s});
    out.joined({u"<IMG src=\""_s, inputs.ownBanner, u"\">"_s});
    out.line(u"</A>"_s);
    out.line(u" "_s);
    out.line(u"または"_s);
    out.line(u" "_s);
    out.joined({u"<A href=\""_s, inputs.ownUrl, u"\">"_s});
    out.line(inputs.ownName);
    out.line(u"</A>"_s);
    out.line(u"</textarea>"_s);
    out.line(u"<br><br><FONT size=\"+1\">"_s);
    out.line(u"<B>上記のどちらか片方を選択して、貴ＨＰリンクにお加え下さい。</B></FONT><BR>"_s);
    out.line(u"<BR><HR><BR> "_s);
    out.line(u"</CENTER>"_s);
}

} // namespace

QString pageTitle(const QString& typedTitle)
{
    if (trimBlanks(typedTitle).isEmpty())
        return QString::fromUtf16(defaultPageTitle);
    return typedTitle;
}

QString pageFilePath(const QString& baseDirectory, QStringView fileName)
{
    QString path = baseDirectory;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + trimBlanks(fileName);
}

bool isSameFile(const QString& path, const QString& other)
{
    const QFileInfo first(path);
    const QFileInfo second(other);
    if (QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath()))
        return true;
    const QString canonical = first.canonicalFilePath();
    if (!canonical.isEmpty() && canonical == second.canonicalFilePath())
        return true;
    struct stat firstInfo;
    struct stat secondInfo;
    return ::stat(QFile::encodeName(path).constData(), &firstInfo) == 0 &&
           ::stat(QFile::encodeName(other).constData(), &secondInfo) == 0 &&
           firstInfo.st_dev == secondInfo.st_dev && firstInfo.st_ino == secondInfo.st_ino;
}

void buildPage(const PageInputs& inputs, const std::function<void(QStringView)>& emitLine)
{
    LineSink out(emitLine);
    const QString title = pageTitle(inputs.title);
    const bool backLink = !inputs.ownUrl.isEmpty();
    const bool linkBack =
        inputs.ownUrl != emptyUrl && inputs.ownBanner != emptyUrl && !inputs.ownName.isEmpty();

    out.line(u"<HTML>"_s);
    out.line(u"<HEAD>"_s);
    out.joined({u"<TITLE>"_s, title, u"</TITLE>"_s});
    out.line(u"</HEAD>"_s);
    out.line(u"<STYLE TYPE =\"text/css\">"_s);
    out.line(u"<!--"_s);
    out.line(u"TABLE{font-size:14pt}"_s);
    out.line(u"P{font-size:14pt}"_s);
    out.line(u"div{font-size:14pt}"_s);
    out.line(u"body{font-size:14pt}"_s);
    out.line(u"-->"_s);
    out.line(u"</STYLE>"_s);
    writeBodyStart(out, inputs);
    out.line(u" "_s);
    out.line(u"<div align=\"center\"><B><FONT size=\"+3\">"_s);
    if (backLink)
        out.line(u"　　　"_s);
    out.line(title);
    out.line(u"</FONT>"_s);
    if (backLink) {
        out.joined({u"　<A href=\""_s, inputs.ownUrl, u"\" target=\"_top\">"_s});
        out.line(u"戻る</A>"_s);
    }
    out.line(u"</B></div><br>"_s);
    out.line(u"<HR>"_s);
    out.line(u"<br>"_s);
    out.line(u"<center>"_s);
    out.line(u"<table border=\"0\">"_s);

    for (const QString& entry : inputs.entries)
        writeEntryRows(out, entry);

    out.line(u"</TABLE>"_s);
    out.line(u"</CENTER>"_s);
    out.line(u"<BR><HR><BR> "_s);
    if (linkBack)
        writeLinkBack(out, inputs);
    out.joined({u"<h5 align=\"right\"><A href=\""_s, downloadPageUrl,
                u"\" target=\"_blank\">そよかツール作成(siteloom.exe)</A></h5>"_s});
    out.line(u"</BODY>"_s);
    out.line(u"</HTML>"_s);
}

bool writePageFile(const QString& baseDirectory, const PageInputs& inputs, QString* writtenPath,
                   FileError* error)
{
    const QString path = pageFilePath(baseDirectory, inputs.fileName);
    if (writtenPath)
        *writtenPath = QDir::toNativeSeparators(path);
    return writeTextFile(
        path,
        [&inputs](LineWriter& writer) {
            buildPage(inputs, [&writer](QStringView line) { writer.writeLine(line); });
        },
        error);
}

} // namespace siteloom
