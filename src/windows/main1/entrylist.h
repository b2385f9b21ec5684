#pragma once

#include "rowlist/rowlist.h"

#include <QAbstractListModel>
#include <QStringList>
#include <QStyledItemDelegate>

#include <vector>

namespace siteloom {

// The link entries of List1, one string a row, in their order; an edit anywhere in a long list costs
// what it costs in a short one. The rows change only through the edit functions below, each one
// model signal; a move asked for by the view (a drag within the list) is only asked for, by
// moveRequested, so that the owner can make it one step of its undo history.
class EntryListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit EntryListModel(QObject* parent = nullptr);

    // Every row in order (copied only when edits have split the rows into pieces) and one row.
    [[nodiscard]] QStringList entries() const { return m_rows.toList(); }
    [[nodiscard]] const QString& entry(int row) const { return m_rows.at(row); }
    [[nodiscard]] int count() const { return int(m_rows.size()); }

    // Inserts the texts before `row` (count(): at the end).
    void insertEntries(int row, const QStringList& texts);
    // Removes `count` rows from `row` on and gives back their texts.
    QStringList takeEntries(int row, int count);
    // Moves one row so that it stands at `to` afterwards.
    void moveEntry(int from, int to);
    // Puts another text in one row's place and gives back the text it held.
    QString replaceEntry(int row, const QString& text);
    // Exchanges the whole list with *entries at once: the list a load made complete comes in,
    // the list it replaces goes out, and nothing is copied either way while that list is one piece
    // (as a load leaves it; rows split by edits are joined on the way out). The new rows'
    // widths are counted when the event loop next runs (or before the next edit), so that the
    // list shows as soon as the view has laid it out.
    void swapEntries(QStringList* entries);

    // The widest row in pixels for the font set here is at most this wide: a bound worked out from
    // how many of its characters are narrow and how many wide, so that a long list need not be
    // drawn row by row to know it. Until a new list's widths are counted: the widest row before.
    void setFont(const QFont& font);
    [[nodiscard]] int widestRow() const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Drag and drop of rows within the list: the rows travel as their numbers, tagged with this
    // model, and as plain text for other programs.
    [[nodiscard]] Qt::DropActions supportedDragActions() const override;
    [[nodiscard]] Qt::DropActions supportedDropActions() const override;
    [[nodiscard]] QStringList mimeTypes() const override;
    [[nodiscard]] QMimeData* mimeData(const QModelIndexList& indexes) const override;
    [[nodiscard]] bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                       const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;
    // removeRows is deliberately left as QAbstractItemModel has it (refusing): a view that ends a
    // move drag removes the dragged rows through it, but here the drop has moved them already.

signals:
    void widestRowChanged();
    // A drop within the list asks for this move (from row, to row, as moveEntry); the rows stay as
    // they are until someone carries it out.
    void moveRequested(int from, int to);

private:
    // A row's width in units of the widest narrow character: a wide character counts as several.
    [[nodiscard]] qsizetype rowUnits(QStringView text) const;
    using UnitCounts = std::vector<qsizetype>; // units -> rows that wide
    void countWidths(UnitCounts* counts, const QStringList& texts, int sign) const;
    void countPendingWidths();
    // The row a drop carries, when it comes from this model; -1 otherwise.
    [[nodiscard]] int draggedRow(const QMimeData* data) const;
    // A move to before `destination`, as views and drops name it.
    void requestMove(int from, int destination);

    RowList m_rows;
    int m_narrowWidth = 8;
    qsizetype m_wideUnits = 2;
    UnitCounts m_unitCounts;
    bool m_widthsPending = false;
};

// Draws the rows as plain text, as wide as the widest row (so that the list scrolls sideways to
// show a long row whole), and shows a row's banner URL, name and URL as a plain tooltip.
class EntryDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    EntryDelegate(const EntryListModel* model, QObject* parent);

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    const EntryListModel* m_model;
};

} // namespace siteloom
