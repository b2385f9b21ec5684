#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace siteloom {

// An ordered list of texts that stays as cheap to edit in its middle as at its end, however long it
// grows. The rows are kept in pieces of about pieceSize rows, so that an insert or a removal moves
// the rows of one piece and steps over the pieces, instead of moving every row after it. A list
// handed in whole stays one piece (nothing is copied); an edit inside a long piece cuts it into
// pieces that each show a part of the same list, and only the piece edited gets rows of its own.
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
    // A part of a list: rows[begin, end). Pieces cut from one list share it until they are edited.
    struct Piece
    {
        QStringList rows;
        qsizetype begin = 0;
        qsizetype end = 0;

        [[nodiscard]] qsizetype size() const { return end - begin; }
    };
    struct Place
    {
        qsizetype piece;
        qsizetype offset; // within the piece
    };
    // Where a row is, or for row == size() the end of the last piece. Lookups mostly go row after
    // row, so each starts from the piece the one before ended in.
    [[nodiscard]] Place locate(qsizetype row) const;
    // Cuts a long piece into pieces of pieceSize rows, which share its list.
    void split(qsizetype piece);
    // Readies the piece holding `row` (or the last piece, for size()) for an edit: at most a long
    // piece's rows, in a list of its own.
    Place prepareEdit(qsizetype row);
    static void appendPiece(QStringList* rows, const Piece& piece);

    std::vector<Piece> m_pieces; // never an empty one
    qsizetype m_size = 0;
    mutable qsizetype m_lastPiece = 0; // the piece the last lookup ended in,
    mutable qsizetype m_lastStart = 0; // and its first row
};

} // namespace siteloom
