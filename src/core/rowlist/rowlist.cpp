#include "rowlist/rowlist.h"

#include <algorithm>

namespace siteloom {

namespace {

// A piece longer than this is cut before a row is inserted into it or removed from its inside.
constexpr qsizetype longPiece = 2 * RowList::pieceSize;

} // namespace

RowList::RowList(QStringList rows) : m_size(rows.size())
{
    if (!rows.isEmpty())
        m_pieces.push_back({std::move(rows), 0, m_size});
}

RowList::Place RowList::locate(qsizetype row) const
{
    qsizetype piece = m_lastPiece;
    qsizetype start = m_lastStart;
    if (piece >= qsizetype(m_pieces.size()) || row < start / 2) {
        piece = 0;
        start = 0;
    }
    while (piece > 0 && row < start) {
        --piece;
        start -= m_pieces[piece].size();
    }
    while (piece + 1 < qsizetype(m_pieces.size()) && row >= start + m_pieces[piece].size()) {
        start += m_pieces[piece].size();
        ++piece;
    }
    m_lastPiece = piece;
    m_lastStart = start;
    return {piece, row - start};
}

const QString& RowList::at(qsizetype row) const
{
    const Place place = locate(row);
    const Piece& piece = m_pieces[place.piece];
    return piece.rows.at(piece.begin + place.offset);
}

void RowList::appendPiece(QStringList* rows, const Piece& piece)
{
    if (rows->isEmpty() && piece.begin == 0 && piece.end == piece.rows.size()) {
        *rows = piece.rows;
        return;
    }
    rows->reserve(rows->size() + piece.size());
    for (qsizetype i = piece.begin; i < piece.end; ++i)
        rows->append(piece.rows.at(i));
}

QStringList RowList::toList() const
{
    QStringList rows;
    if (m_pieces.size() > 1)
        rows.reserve(m_size);
    for (const Piece& piece : m_pieces)
        appendPiece(&rows, piece);
    return rows;
}

void RowList::split(qsizetype index)
{
    const Piece whole = m_pieces[index];
    std::vector<Piece> parts;
    for (qsizetype from = whole.begin; from < whole.end; from += pieceSize)
        parts.push_back({whole.rows, from, std::min(from + pieceSize, whole.end)});
    m_pieces.erase(m_pieces.begin() + index);
    m_pieces.insert(m_pieces.begin() + index, std::make_move_iterator(parts.begin()),
                    std::make_move_iterator(parts.end()));
    m_lastPiece = 0;
    m_lastStart = 0;
}

RowList::Place RowList::prepareEdit(qsizetype row)
{
    Place place = locate(row);
    if (m_pieces[place.piece].size() > longPiece) {
        split(place.piece);
        place = locate(row);
    }
    Piece& piece = m_pieces[place.piece];
    if (piece.begin != 0 || piece.end != piece.rows.size()) {
        piece.rows = piece.rows.mid(piece.begin, piece.size());
        piece.begin = 0;
        piece.end = piece.rows.size();
    }
    return place;
}

void RowList::insert(qsizetype row, const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    if (row == m_size && (m_pieces.empty() || m_pieces.back().size() >= pieceSize)) {
        m_pieces.push_back({texts, 0, texts.size()});
    } else {
        const Place place = prepareEdit(row);
        Piece& piece = m_pieces[place.piece];
        if (texts.size() == 1) {
            piece.rows.insert(place.offset, texts.first());
        } else {
            QStringList rows = piece.rows.first(place.offset);
            rows.reserve(piece.rows.size() + texts.size());
            rows.append(texts);
            rows.append(piece.rows.sliced(place.offset));
            piece.rows = std::move(rows);
        }
        piece.end = piece.rows.size();
        if (piece.size() > longPiece)
            split(place.piece);
    }
    m_size += texts.size();
}

QStringList RowList::take(qsizetype row, qsizetype count)
{
    QStringList taken;
    while (count > 0) {
        Place place = locate(row);
        qsizetype here = std::min(count, m_pieces[place.piece].size() - place.offset);
        if (here == m_pieces[place.piece].size()) {
            appendPiece(&taken, m_pieces[place.piece]);
            m_pieces.erase(m_pieces.begin() + place.piece);
            m_lastPiece = 0;
            m_lastStart = 0;
        } else {
            place = prepareEdit(row);
            Piece& piece = m_pieces[place.piece];
            here = std::min(count, piece.size() - place.offset);
            taken.append(piece.rows.mid(place.offset, here));
            piece.rows.remove(place.offset, here);
            piece.end = piece.rows.size();
        }
        m_size -= here;
        count -= here;
    }
    return taken;
}

void RowList::move(qsizetype from, qsizetype to)
{
    if (from != to)
        insert(to, take(from, 1));
}

} // namespace siteloom
