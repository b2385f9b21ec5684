#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace siteloom {

// Finding a row of the list by a piece of its text, the way a Japanese user expects: case does not
// matter, and full-width and half-width forms are the same (letters, digits, katakana, punctuation).

// The text as the finder compares it: compatibility-composed (full-width "Ａ" and half-width "ｶ"
// become "A" and "カ"), then case-folded.
[[nodiscard]] QString foldForFind(QStringView text);

// Tells whether a text holds the needle, both folded alike.
class FoldedMatcher
{
public:
    explicit FoldedMatcher(QStringView needle);

    [[nodiscard]] bool isEmpty() const { return m_needle.isEmpty(); }
    [[nodiscard]] bool matches(QStringView text) const;

private:
    QString m_needle; // folded
    bool m_needleIsAscii = true;
};

enum class FindDirection { Forward, Backward };

// The first row at or after `from` (at or before it, backwards) that holds the needle, going round
// the end of the list to its other end; -1 when no row holds it or the needle is empty. The list is
// `count` rows, each read through `row` by its number.
[[nodiscard]] qsizetype findRow(qsizetype count, const std::function<QStringView(qsizetype)>& row,
                                const FoldedMatcher& matcher, qsizetype from, FindDirection direction);

} // namespace siteloom
