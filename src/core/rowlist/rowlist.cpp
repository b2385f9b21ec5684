#include "rowlist/rowlist.h"

#include <algorithm>

namespace siteloom {

namespace {

// A piece longer than this is split before a row is inserted into it or removed from its inside.
constexpr qsizetype longPiece = 2 * RowList::pieceSize;

} // namespace

RowList::RowList(QStringList rows) : m_size(rows.size())
{
    if (!rows.isEmpty())
        m_pieces.push_back(std::move(rows));
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
    return m_pieces[place.piece][place.offset];
}

QStringList RowList::toList() const
{
    if (m_pieces.size() == 1)
        return m_pieces.front();
    QStringList rows;
    rows.reserve(m_size);
    for (const QStringList& piece : m_pieces)
        rows.append(piece);
    return rows;
}

void RowList::split(qsizetype piece)
{
    const QStringList whole = std::move(m_pieces[piece]);
    std::vector<QStringList> parts;
    for (qsizetype from = 0; from < whole.size(); from += pieceSize)
        parts.push_back(whole.mid(from, pieceSize));
    m_pieces.erase(m_pieces.begin() + piece);
    m_pieces.insert(m_pieces.begin() + piece, std::make_move_iterator(parts.begin()),
                    std::make_move_iterator(parts.end()));
    m_lastPiece = 0;
    m_lastStart = 0;
}

void RowList::insert(qsizetype row, const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    if (m_pieces.empty() || (row == m_size && m_pieces.back().size() >= longPiece)) {
        m_pieces.push_back(texts);
    } else {
        Place place = locate(row);
        if (m_pieces[place.piece].size() > longPiece && place.offset < m_pieces[place.piece].size()) {
            split(place.piece);
            place = locate(row);
        }
        QStringList& piece = m_pieces[place.piece];
        if (place.offset == piece.size())
            piece.append(texts);
        else
            for (qsizetype i = 0; i < texts.size(); ++i)
                piece.insert(place.offset + i, texts[i]);
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
        if (m_pieces[place.piece].size() > longPiece && place.offset + here < m_pieces[place.piece].size()) {
            split(place.piece);
            place = locate(row);
            here = std::min(count, m_pieces[place.piece].size() - place.offset);
        }
        QStringList& piece = m_pieces[place.piece];
        taken.append(piece.mid(place.offset, here));
        piece.remove(place.offset, here);
        if (piece.isEmpty()) {
            m_pieces.erase(m_pieces.begin() + place.piece);
            m_lastPiece = 0;
            m_lastStart = 0;
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
