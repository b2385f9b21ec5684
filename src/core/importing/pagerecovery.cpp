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

std::optional<PageInputs> readPage(const QStringList& lines)
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
        inputs.entries.append(
            composeEntry({link->sliced(middle + siteLinkMiddle.size()), *name, link->first(middle)}));
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
        inputs.ownName = lines[at + ownNameLine];
        if (inputs.ownUrl != *url)
            return std::nullopt; // written from one field, so the two are the same
    }
    return inputs;
}

} // namespace

std::optional<PageInputs> recoverPage(const QStringList& lines)
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

bool looksLikeOwnPage(const QStringList& lines)
{
    const QString credit =
        creditStart.toString() + QString::fromUtf16(downloadPageUrl) + creditEnd.toString();
    return lines.size() > 3 && lines.front() == htmlStart && lines.back() == htmlEnd &&
           lines.contains(credit);
}

} // namespace siteloom
