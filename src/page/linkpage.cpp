#include "page/linkpage.h"

#include "main/linkentry.h"
#include "text/textfile.h"
#include "text/trim.h"

#include <QDir>

#include <initializer_list>

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
// A background image field still at its start text names no image.
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
        m_line.resize(0); // keeps the capacity
        for (const QStringView piece : pieces)
            m_line.append(piece);
        m_emitLine(m_line);
    }

private:
    const std::function<void(QStringView)>& m_emitLine;
    QString m_line;
};

void writeBodyStart(LineSink& out, const PageInputs& inputs)
{
    if (inputs.background == imageBackground && inputs.backgroundImage != emptyUrl) {
        out.joined({u"<BODY background=\"", inputs.backgroundImage, u"\">"});
        return;
    }
    // No button on, or an image that is not given: a white page.
    const bool colour = inputs.background >= 1 && inputs.background <= int(std::size(colourBodies));
    out.line(colourBodies[colour ? inputs.background - 1 : 0]);
}

void writeEntryRows(LineSink& out, QStringView entry)
{
    const LinkEntry link = splitEntry(entry);
    out.line(u"<tr>");
    out.joined({u"<td nowrap align=\"left\"><A href=\"", link.siteUrl, u"\" target=\"_blank\"><img src=\"",
                link.bannerUrl, u"\" border=\"0\"></A></td>"});
    out.line(u"<td>　</td>");
    out.joined({u"<td nowrap align=\"left\"><B>", link.siteName, u"</B></td>"});
    out.line(u"</tr>");
    out.line(u"<tr><td>　</td><td>　</td></tr>");
}

// The section for visitors who link back: the owner's banner and, in a text area, the markup of a
// banner link and of a text link to copy.
void writeLinkBack(LineSink& out, const PageInputs& inputs)
{
    out.line(u"<CENTER><FONT size=\"+2\">");
    out.line(u"リンクしていただける方へ</FONT><BR><BR>");
    out.joined({u"<img src=\"", inputs.ownBanner, u"\"><br><br>"});
    out.line(u"<textarea rows=\"10\" cols=\"80\" name=\"soy\" wrap=\"physical\">");
    out.joined({u"<A href=\"", inputs.ownUrl, u"\">"});
    out.joined({u"<IMG src=\"", inputs.ownBanner, u"\">"});
    out.line(u"</A>");
    out.line(u" ");
    out.line(u"または");
    out.line(u" ");
    out.joined({u"<A href=\"", inputs.ownUrl, u"\">"});
    out.line(inputs.ownName);
    out.line(u"</A>");
    out.line(u"</textarea>");
    out.line(u"<br><br><FONT size=\"+1\">");
    out.line(u"<B>上記のどちらか片方を選択して、貴ＨＰリンクにお加え下さい。</B></FONT><BR>");
    out.line(u"<BR><HR><BR> ");
    out.line(u"</CENTER>");
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

void buildPage(const PageInputs& inputs, const std::function<void(QStringView)>& emitLine)
{
    LineSink out(emitLine);
    const QString title = pageTitle(inputs.title);
    const bool backLink = !inputs.ownUrl.isEmpty();
    const bool linkBack =
        inputs.ownUrl != emptyUrl && inputs.ownBanner != emptyUrl && !inputs.ownName.isEmpty();

    out.line(u"<HTML>");
    out.line(u"<HEAD>");
    out.joined({u"<TITLE>", title, u"</TITLE>"});
    out.line(u"</HEAD>");
    out.line(u"<STYLE TYPE =\"text/css\">");
    out.line(u"<!--");
    out.line(u"TABLE{font-size:14pt}");
    out.line(u"P{font-size:14pt}");
    out.line(u"div{font-size:14pt}");
    out.line(u"body{font-size:14pt}");
    out.line(u"-->");
    out.line(u"</STYLE>");
    writeBodyStart(out, inputs);
    out.line(u" ");
    out.line(u"<div align=\"center\"><B><FONT size=\"+3\">");
    if (backLink)
        out.line(u"　　　");
    out.line(title);
    out.line(u"</FONT>");
    if (backLink) {
        out.joined({u"　<A href=\"", inputs.ownUrl, u"\" target=\"_top\">"});
        out.line(u"戻る</A>");
    }
    out.line(u"</B></div><br>");
    out.line(u"<HR>");
    out.line(u"<br>");
    out.line(u"<center>");
    out.line(u"<table border=\"0\">");

    for (const QString& entry : inputs.entries)
        writeEntryRows(out, entry);

    out.line(u"</TABLE>");
    out.line(u"</CENTER>");
    out.line(u"<BR><HR><BR> ");
    if (linkBack)
        writeLinkBack(out, inputs);
    out.joined({u"<h5 align=\"right\"><A href=\"", downloadPageUrl,
                u"\" target=\"_blank\">そよかツール作成(siteloom.exe)</A></h5>"});
    out.line(u"</BODY>");
    out.line(u"</HTML>");
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
