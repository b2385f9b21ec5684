#include "find/findtext.h"

namespace siteloom {

namespace {

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QString foldForFind(QStringView text)
{
    return text.toString().normalized(QString::NormalizationForm_KC).toCaseFolded();
}

FoldedMatcher::FoldedMatcher(QStringView needle)
    : m_needle(foldForFind(needle)), m_needleIsAscii(isAscii(m_needle))
{
}

bool FoldedMatcher::matches(QStringView text) const
{
    // Most rows are URLs and plain names: text of ASCII alone folds to itself but for case, so it
    // is compared without building its folded copy.
    if (isAscii(text))
        return m_needleIsAscii && text.contains(QStringView(m_needle), Qt::CaseInsensitive);
    return foldForFind(text).contains(m_needle);
}

qsizetype findRow(qsizetype count, const std::function<QStringView(qsizetype)>& row,
                  const FoldedMatcher& matcher, qsizetype from, FindDirection direction)
{
    if (matcher.isEmpty() || count == 0)
        return -1;
    const qsizetype step = direction == FindDirection::Forward ? 1 : count - 1;
    qsizetype at = ((from % count) + count) % count;
    for (qsizetype seen = 0; seen < count; ++seen, at = (at + step) % count) {
        if (matcher.matches(row(at)))
            return at;
    }
    return -1;
}

} // namespace siteloom
