#pragma once

#include <QAccessible>
#include <QListView>
#include <QPersistentModelIndex>

namespace siteloom {

// A list whose rows are all as high as the first and as wide as the widest, so that where a row
// stands is a multiplication: nothing is laid out row by row, and adding, removing or moving a row
// costs the same in a list of a million rows as in a list of ten. The vertical scroll bar counts
// rows, the horizontal one pixels. It shows the first column of a flat model through its delegate,
// with the keys, mouse, selection and drag and drop of any item view. It is a QListView so that
// assistive technology sees a list of rows, but every place QListView would lay out its items (and
// keep a position per row) is taken over here.
class EntryListView final : public QListView
{
    Q_OBJECT

public:
    explicit EntryListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    [[nodiscard]] QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    [[nodiscard]] QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;

protected:
    bool event(QEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    [[nodiscard]] QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] int horizontalOffset() const override;
    [[nodiscard]] int verticalOffset() const override;
    [[nodiscard]] bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    [[nodiscard]] QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] int rowCount() const;
    [[nodiscard]] int topRow() const;
    // The rows that fit whole into the viewport, at least one.
    [[nodiscard]] int rowsPerPage() const;
    // The row at a height in the viewport, which may lie outside the list.
    [[nodiscard]] int rowAt(int y) const;
    [[nodiscard]] QRect rowRect(int row) const;
    // Takes the row size from the delegate again: after a change of font, style or rows.
    void measureRows();
    void setDropLine(const QRect& line);
    // Tells assistive technology about a row, as QListView would by its own layout.
    void notifyAccessibility(const QModelIndex& index, QAccessible::Event event);

    QSize m_rowSize{0, 1};
    QPersistentModelIndex m_hover;
    QRect m_dropLine; // where a drag would drop, in the viewport; empty: none shown
};

} // namespace siteloom
