#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace siteloom {

// An ordered list of texts that stays as cheap to edit in its middle as at its end, however long it
// grows. The rows are kept in pieces of about pieceSize rows, so that an insert or a removal moves
// the rows of one piece and steps over the pieces, instead of moving every row after it. A list
// handed in whole stays one piece (nothing is copied) until the first edit inside it splits it.
class RowList
{
public:
    static constexpr qsizetype pieceSize = 1024;

    RowList() = default;
    explicit RowList(QStringList rows);

    [[nodiscard]] qsizetype size() const { return m_size; }
    [[nodiscard]] const QString& at(qsizetype row) const;
    // Every row in order, in one list: shared, not copied, while the rows are one piece.
    [[nodiscard]] QStringList toList() const;

    // Inserts the texts before `row` (size(): at the end).
    void insert(qsizetype row, const QStringList& texts);
    // Removes `count` rows from `row` on and gives them back.
    QStringList take(qsizetype row, qsizetype count);
    // Moves one row so that it stands at `to` afterwards.
    void move(qsizetype from, qsizetype to);

private:
    struct Place
    {
        qsizetype piece;
        qsizetype offset; // within the piece
    };
    // Where a row is, or for row == size() the end of the last piece. Lookups mostly go row after
    // row, so each starts from the piece the one before ended in.
    [[nodiscard]] Place locate(qsizetype row) const;
    // Makes a long piece pieces of pieceSize rows, before an edit inside it.
    void split(qsizetype piece);

    std::vector<QStringList> m_pieces; // never an empty one
    qsizetype m_size = 0;
    mutable qsizetype m_lastPiece = 0; // the piece the last lookup ended in,
    mutable qsizetype m_lastStart = 0; // and its first row
};

} // namespace siteloom
