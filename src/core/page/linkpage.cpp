#include "page/linkpage.h"

#include "linkentry/linkentry.h"
#include "page/pagemarkup.h"
#include "text/textfile.h"
#include "text/trim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <sys/stat.h>

namespace siteloom {

using namespace pagemarkup;

namespace {

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
        out.joined({imageBodyStart, inputs.backgroundImage, attributeLineEnd});
        return;
    }
    // No button on, or an image that is not given: a white page.
    const bool colour = inputs.background >= 1 && inputs.background <= int(std::size(colourBodies));
    out.line(colourBodies[colour ? inputs.background - 1 : 0]);
}

void writeEntryRows(LineSink& out, QStringView entry)
{
    const LinkEntryView link = splitEntryView(entry);
    out.line(rowStart);
    out.joined({siteLinkStart, link.siteUrl, siteLinkMiddle, link.bannerUrl, siteLinkEnd});
    out.line(spacerCell);
    out.joined({nameStart, link.siteName, nameEnd});
    out.line(rowEnd);
    out.line(spacingRow);
}

void writeLinkBack(LineSink& out, const PageInputs& inputs)
{
    out.line(linkBackStart);
    out.line(linkBackHeading);
    out.joined({ownBannerStart, inputs.ownBanner, ownBannerEnd});
    out.line(copyAreaStart);
    out.joined({ownLinkStart, inputs.ownUrl, attributeLineEnd});
    out.joined({ownImageStart, inputs.ownBanner, attributeLineEnd});
    out.line(linkEnd);
    out.line(blankLine);
    out.line(orText);
    out.line(blankLine);
    out.joined({ownLinkStart, inputs.ownUrl, attributeLineEnd});
    out.line(inputs.ownName);
    out.line(linkEnd);
    out.line(copyAreaEnd);
    out.line(choiceStart);
    out.line(choiceText);
    out.line(sectionEnd);
    out.line(centreEnd);
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

void buildEntryRows(QStringView entry, const std::function<void(QStringView)>& emitLine)
{
    LineSink out(emitLine);
    writeEntryRows(out, entry);
}

void buildPage(const PageInputs& inputs, const std::function<void(QStringView)>& emitLine)
{
    buildPage(inputs, emitLine, [&] {
        LineSink out(emitLine);
        for (const QString& entry : inputs.entries)
            writeEntryRows(out, entry);
    });
}

void buildPage(const PageInputs& inputs, const std::function<void(QStringView)>& emitLine,
               const std::function<void()>& entryRows)
{
    LineSink out(emitLine);
    const QString title = pageTitle(inputs.title);
    const bool backLink = !inputs.ownUrl.isEmpty();
    const bool linkBack =
        inputs.ownUrl != emptyUrl && inputs.ownBanner != emptyUrl && !inputs.ownName.isEmpty();

    out.line(htmlStart);
    out.line(headStart);
    out.joined({titleStart, title, titleEnd});
    out.line(headEnd);
    for (const QStringView line : styleSheet)
        out.line(line);
    writeBodyStart(out, inputs);
    out.line(blankLine);
    out.line(headingStart);
    if (backLink)
        out.line(headingIndent);
    out.line(title);
    out.line(headingTitleEnd);
    if (backLink) {
        out.joined({backLinkStart, inputs.ownUrl, backLinkEnd});
        out.line(backLinkText);
    }
    out.line(headingEnd);
    out.line(rule);
    out.line(lineBreak);
    out.line(centreStart);
    out.line(tableStart);

    entryRows();
    out.line(tableEnd);
    out.line(centreEnd);
    out.line(sectionEnd);
    if (linkBack)
        writeLinkBack(out, inputs);
    out.joined({creditStart, downloadPageUrl, creditEnd});
    out.line(bodyEnd);
    out.line(htmlEnd);
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
