#include "importing/pagerecovery.h"

#include "linkentry/linkentry.h"
#include "page/linkpage.h"
#include "page/pagemarkup.h"

#include <optional>

namespace siteloom {

using namespace pagemarkup;

namespace {

// The text between a fixed start and end, when the line is made of them.
std::optional<QString> between(QStringView line, QStringView start, QStringView end)
{
    if (line.size() < start.size() + end.size() || !line.startsWith(start) || !line.endsWith(end))
        return std::nullopt;
    return line.sliced(start.size(), line.size() - start.size() - end.size()).toString();
}

// A row's entry, from its link's address and banner (which `middle` parts) and its name; held
// without room to grow, as a long page holds many.
QString entryOfRow(const QString& link, qsizetype middle, const QString& name)
{
    QString entry = composeEntry({link.sliced(middle + siteLinkMiddle.size()), name, link.first(middle)});
    entry.squeeze();
    return entry;
}

std::optional<PageInputs> readPage(const QList<QStringView>& lines)
{
    PageInputs inputs;
    qsizetype at = 2;
    const auto line = [&](qsizetype i) { return i < lines.size() ? QStringView(lines[i]) : QStringView(); };

    const std::optional<QString> title = between(line(at++), titleStart, titleEnd);
    if (!title)
        return std::nullopt;
    inputs.title = *title;
    at = bodyLine; // the fixed head and style sheet are compared with the page written again
    const QStringView body = line(at++);
    inputs.background = 0;
    for (int i = 0; i < int(std::size(colourBodies)); ++i) {
        if (body == colourBodies[i])
            inputs.background = i + 1;
    }
    if (inputs.background == 0) {
        const std::optional<QString> image = between(body, imageBodyStart, attributeLineEnd);
        if (!image)
            return std::nullopt;
        inputs.background = imageBackground;
        inputs.backgroundImage = *image;
    }
    at += 2; // " " and the heading's start
    // The title is never blank, so a line of three ideographic spaces is the back link's indent.
    inputs.ownUrl.clear();
    if (line(at) == headingIndent) {
        const std::optional<QString> ownUrl = between(line(at + 3), backLinkStart, backLinkEnd);
        if (!ownUrl)
            return std::nullopt;
        inputs.ownUrl = *ownUrl;
        at += 5;
    } else {
        at += 2;
    }
    at += 1; // the heading's end
    while (at < lines.size() && line(at) != tableStart)
        ++at;
    ++at;

    // Six lines per entry. A site URL may hold anything, the banner URL no separator: so the
    // banner is what follows the last place the link's middle piece could stand.
    while (line(at) == rowStart) {
        const std::optional<QString> link = between(line(at + 1), siteLinkStart, siteLinkEnd);
        const std::optional<QString> name = between(line(at + 3), nameStart, nameEnd);
        if (!link || !name)
            return std::nullopt;
        const qsizetype middle = link->lastIndexOf(siteLinkMiddle);
        if (middle < 0)
            return std::nullopt;
        inputs.entries.append(entryOfRow(*link, middle, *name));
        at += linesPerEntry;
    }
    if (line(at) != tableEnd)
        return std::nullopt;
    at += 3;

    if (line(at) == linkBackStart) {
        const std::optional<QString> banner = between(line(at + ownBannerLine), ownBannerStart, ownBannerEnd);
        const std::optional<QString> url = between(line(at + ownUrlLine), ownLinkStart, attributeLineEnd);
        if (!banner || !url || at + ownNameLine >= lines.size())
            return std::nullopt;
        inputs.ownBanner = *banner;
        inputs.ownName = lines[at + ownNameLine].toString();
        if (inputs.ownUrl != *url)
            return std::nullopt; // written from one field, so the two are the same
    }
    return inputs;
}

// The same page read line by line wherever its pieces now stand: lines that are not what the page
// writer writes are passed over.
std::optional<PageInputs> readEditedPage(const QList<QStringView>& lines)
{
    const qsizetype table = lines.indexOf(tableStart);
    const qsizetype tableClose = table < 0 ? -1 : lines.indexOf(tableEnd, table);
    if (tableClose < 0)
        return std::nullopt;
    PageInputs inputs;
    inputs.ownUrl.clear();
    bool titled = false;
    bool coloured = false;
    for (qsizetype at = 0; at < table; ++at) {
        const QStringView line = lines[at];
        if (const std::optional<QString> title = between(line, titleStart, titleEnd); title && !titled) {
            inputs.title = *title;
            titled = true;
        } else if (const std::optional<QString> ownUrl = between(line, backLinkStart, backLinkEnd)) {
            inputs.ownUrl = *ownUrl;
        } else if (!coloured && line.startsWith(u"<BODY")) {
            for (int i = 0; i < int(std::size(colourBodies)); ++i) {
                if (line == colourBodies[i])
                    inputs.background = i + 1;
            }
            if (const std::optional<QString> image = between(line, imageBodyStart, attributeLineEnd)) {
                inputs.background = imageBackground;
                inputs.backgroundImage = *image;
            }
            coloured = true;
        }
    }
    if (!titled)
        return std::nullopt;
    // Each row's link and name, wherever they stand in it.
    for (qsizetype at = table + 1; at < tableClose;) {
        if (lines[at] != rowStart) {
            ++at;
            continue;
        }
        std::optional<QString> link;
        std::optional<QString> name;
        qsizetype end = at + 1;
        for (; end < tableClose && lines[end] != rowEnd && lines[end] != rowStart; ++end) {
            if (!link)
                link = between(lines[end], siteLinkStart, siteLinkEnd);
            if (!name)
                name = between(lines[end], nameStart, nameEnd);
        }
        const qsizetype middle = link ? link->lastIndexOf(siteLinkMiddle) : -1;
        if (name && middle >= 0) {
            inputs.entries.append(entryOfRow(*link, middle, *name));
        }
        at = end < tableClose && lines[end] == rowEnd ? end + 1 : end;
    }
    if (const qsizetype section = lines.indexOf(linkBackStart, tableClose); section >= 0) {
        const auto line = [&](qsizetype i) {
            return i < lines.size() ? QStringView(lines[i]) : QStringView();
        };
        const std::optional<QString> banner =
            between(line(section + ownBannerLine), ownBannerStart, ownBannerEnd);
        const std::optional<QString> url =
            between(line(section + ownUrlLine), ownLinkStart, attributeLineEnd);
        if (banner)
            inputs.ownBanner = *banner;
        if (url && inputs.ownUrl.isEmpty())
            inputs.ownUrl = *url;
        if (section + ownNameLine < lines.size() && banner && url)
            inputs.ownName = lines[section + ownNameLine].toString();
    }
    return inputs;
}

// The lines of the page (from 1) that the page written again does not have, the two walked side by
// side: where they part, the side that meets the other again sooner is the one with lines of its own.
QList<qsizetype> linesNotWritten(const QList<QStringView>& lines, const QStringList& written)
{
    constexpr qsizetype lookAhead = 64;
    QList<qsizetype> extra;
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < lines.size()) {
        if (j < written.size() && lines[i] == written[j]) {
            ++i;
            ++j;
            continue;
        }
        qsizetype again = -1; // where the page meets the written line again
        for (qsizetype k = i + 1; j < written.size() && k < std::min(lines.size(), i + lookAhead); ++k) {
            if (lines[k] == written[j]) {
                again = k;
                break;
            }
        }
        qsizetype skipped = -1; // where the written page meets this line again
        for (qsizetype k = j + 1; k < std::min(written.size(), j + lookAhead); ++k) {
            if (written[k] == lines[i]) {
                skipped = k;
                break;
            }
        }
        if (again >= 0 && (skipped < 0 || again - i <= skipped - j)) {
            for (; i < again; ++i)
                extra.append(i + 1);
        } else if (skipped >= 0) {
            j = skipped;
        } else {
            extra.append(++i);
            ++j;
        }
    }
    return extra;
}

} // namespace

std::optional<EditedPage> recoverEditedPage(const QList<QStringView>& lines)
{
    std::optional<PageInputs> inputs = readEditedPage(lines);
    if (!inputs)
        return std::nullopt;
    QStringList written;
    buildPage(*inputs, [&](QStringView line) { written.append(line.toString()); });
    return EditedPage{std::move(*inputs), linesNotWritten(lines, written)};
}

std::optional<PageInputs> recoverPage(const QList<QStringView>& lines)
{
    std::optional<PageInputs> inputs = readPage(lines);
    if (!inputs)
        return std::nullopt;
    // What was read must write this very page again, line for line: anything edited by hand is
    // caught here rather than by a check of every fixed line.
    qsizetype at = 0;
    bool same = true;
    buildPage(*inputs, [&](QStringView written) {
        same = same && at < lines.size() && lines[at] == written;
        ++at;
    });
    if (!same || at != lines.size())
        return std::nullopt;
    return inputs;
}

bool looksLikeOwnPage(const QList<QStringView>& lines)
{
    const QString credit =
        creditStart.toString() + QString::fromUtf16(downloadPageUrl) + creditEnd.toString();
    return lines.size() > 3 && lines.front() == htmlStart && lines.back() == htmlEnd &&
           lines.contains(credit);
}

} // namespace siteloom
