#include "main1/entrylistview.h"

#include <QDragMoveEvent>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace siteloom {

EntryListView::EntryListView(QWidget* parent) : QListView(parent)
{
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerItem);
    viewport()->setAttribute(Qt::WA_Hover);
}

void EntryListView::setModel(QAbstractItemModel* model)
{
    if (QAbstractItemModel* old = this->model())
        disconnect(old, nullptr, this, nullptr);
    QAbstractItemView::setModel(model);
    if (!model)
        return;
    // Every change of the rows changes only the scroll bars' ranges and what the viewport shows.
    const auto relayout = [this] {
        updateGeometries();
        viewport()->update();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, relayout);
    connect(model, &QAbstractItemModel::rowsRemoved, this, relayout);
    connect(model, &QAbstractItemModel::rowsMoved, this, relayout);
    connect(model, &QAbstractItemModel::modelReset, this, relayout);
    connect(model, &QAbstractItemModel::layoutChanged, this, relayout);
}

// QListView's own layout is skipped: its handlers of the model's changes go straight to the item
// view's, and the scroll bars follow from the row count (setModel).
void EntryListView::doItemsLayout()
{
    QAbstractItemView::doItemsLayout();
}

void EntryListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
}

void EntryListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
}

void EntryListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles)
{
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void EntryListView::resizeEvent(QResizeEvent* event)
{
    QAbstractItemView::resizeEvent(event);
}

void EntryListView::startDrag(Qt::DropActions supportedActions)
{
    QAbstractItemView::startDrag(supportedActions);
}

// Alt+Up and Alt+Down move the selected row. Where the keyboard cursor rests on a row that is not
// selected (the focus or Home put it there), that row is the one the keys mean: it is selected
// before the keys reach their shortcuts, when it has somewhere to move to.
bool EntryListView::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && selectionModel()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int by = key->key() == Qt::Key_Up ? -1 : key->key() == Qt::Key_Down ? 1 : 0;
        const QModelIndex current = currentIndex();
        if (by != 0 && key->modifiers() == Qt::AltModifier && current.isValid() &&
            !selectionModel()->hasSelection() && current.row() + by >= 0 && current.row() + by < rowCount())
            selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    }
    return QListView::event(event);
}

void EntryListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QAbstractItemView::currentChanged(current, previous);
    if (hasFocus())
        notifyAccessibility(current, QAccessible::Focus);
}

void EntryListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
    notifyAccessibility(selected.indexes().value(0), QAccessible::SelectionAdd);
    notifyAccessibility(deselected.indexes().value(0), QAccessible::SelectionRemove);
}

void EntryListView::notifyAccessibility(const QModelIndex& index, QAccessible::Event event)
{
    if (!QAccessible::isActive() || !index.isValid())
        return;
    // A list's accessible children are its rows.
    QAccessibleEvent change(this, event);
    change.setChild(index.row());
    QAccessible::updateAccessibility(&change);
}

int EntryListView::rowCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int EntryListView::topRow() const
{
    return verticalScrollBar()->value();
}

int EntryListView::rowsPerPage() const
{
    return std::max(1, viewport()->height() / m_rowSize.height());
}

int EntryListView::rowAt(int y) const
{
    const int height = m_rowSize.height();
    return topRow() + (y >= 0 ? y / height : -((height - 1 - y) / height));
}

QRect EntryListView::rowRect(int row) const
{
    const qint64 top = qint64(row - topRow()) * m_rowSize.height();
    return {-horizontalOffset(), int(std::clamp<qint64>(top, -(1 << 30), 1 << 30)),
            std::max(m_rowSize.width(), viewport()->width()), m_rowSize.height()};
}

void EntryListView::measureRows()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    // The first row stands for all of them: the delegate gives every row the widest row's width.
    const QModelIndex first = rowCount() > 0 ? model()->index(0, 0, rootIndex()) : QModelIndex();
    const QSize size = first.isValid() ? itemDelegateForIndex(first)->sizeHint(option, first)
                                       : QSize(0, fontMetrics().height());
    m_rowSize = {std::max(size.width(), 0), std::max(size.height(), 1)};
}

QRect EntryListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != 0)
        return {};
    return rowRect(index.row());
}

void EntryListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.parent() != rootIndex())
        return;
    const int row = index.row();
    const int page = rowsPerPage();
    int top = topRow();
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + page)
            top = row - page + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - page + 1;
        break;
    case PositionAtCenter:
        top = row - (page - 1) / 2;
        break;
    }
    verticalScrollBar()->setValue(top);
    // A row shown is shown from its start.
    horizontalScrollBar()->setValue(0);
}

QModelIndex EntryListView::indexAt(const QPoint& point) const
{
    const int row = rowAt(point.y());
    if (row < 0 || row >= rowCount() || !rowRect(row).contains(point))
        return {};
    return model()->index(row, 0, rootIndex());
}

QModelIndex EntryListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = rowCount();
    if (rows == 0)
        return {};
    const QModelIndex current = currentIndex();
    int row = current.isValid() ? current.row() : -1;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        row = current.isValid() ? row - 1 : 0;
        break;
    case MoveDown:
    case MoveNext:
        row += 1;
        break;
    case MovePageUp:
        row = current.isValid() ? row - rowsPerPage() : 0;
        break;
    case MovePageDown:
        row = current.isValid() ? row + rowsPerPage() : 0;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        // A single column: sideways is where a long row goes on.
        horizontalScrollBar()->triggerAction(action == MoveLeft ? QAbstractSlider::SliderSingleStepSub
                                                                : QAbstractSlider::SliderSingleStepAdd);
        return current;
    }
    return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

int EntryListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int EntryListView::verticalOffset() const
{
    return topRow() * m_rowSize.height();
}

bool EntryListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void EntryListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const QRect area = rect.normalized();
    const int first = std::max(rowAt(area.top()), 0);
    const int last = std::min(rowAt(area.bottom()), rowCount() - 1);
    QItemSelection selection;
    if (first <= last)
        selection.select(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion EntryListView::visualRegionForSelection(const QItemSelection& selection) const
{
    const int top = topRow();
    const int bottom = top + rowsPerPage();
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first <= last)
            region += rowRect(first).united(rowRect(last));
    }
    return region;
}

void EntryListView::updateGeometries()
{
    measureRows();
    const int page = rowsPerPage();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(1);
    vertical->setPageStep(page);
    vertical->setRange(0, std::max(rowCount() - page, 0));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(std::max(fontMetrics().averageCharWidth() * 2, 1));
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(m_rowSize.width() - viewport()->width(), 0));
    QAbstractItemView::updateGeometries();
}

void EntryListView::scrollContentsBy(int dx, int dy)
{
    // The vertical scroll bar counts rows.
    viewport()->scroll(dx, dy * m_rowSize.height());
}

void EntryListView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State state = option.state;
    if (state & QStyle::State_Enabled)
        option.palette.setCurrentColorGroup(QPalette::Normal);
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
    const QItemSelectionModel* selection = selectionModel();
    const int first = std::max(rowAt(event->rect().top()), 0);
    const int last = std::min(rowAt(event->rect().bottom()), rowCount() - 1);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = rowRect(row);
        option.state = state;
        option.state.setFlag(QStyle::State_Selected, selection && selection->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focus && index == current);
        option.state.setFlag(QStyle::State_MouseOver, index == m_hover);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
    if (!m_dropLine.isNull() && QAbstractItemView::state() == DraggingState) {
        QStyleOption line;
        line.initFrom(this);
        line.rect = m_dropLine;
        style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemDrop, &line, &painter, this);
    }
}

bool EntryListView::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        m_hover = indexAt(static_cast<QHoverEvent*>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
        m_hover = QPersistentModelIndex();
        break;
    default:
        break;
    }
    return QAbstractItemView::viewportEvent(event);
}

void EntryListView::dragMoveEvent(QDragMoveEvent* event)
{
    QAbstractItemView::dragMoveEvent(event);
    QRect line;
    const int rows = rowCount();
    if (event->isAccepted() && showDropIndicator() && rows > 0) {
        const QModelIndex index = indexAt(event->position().toPoint());
        const QRect rect = index.isValid() ? visualRect(index) : rowRect(rows - 1);
        switch (dropIndicatorPosition()) {
        case AboveItem:
            line = {rect.left(), rect.top(), rect.width(), 0};
            break;
        case OnItem:
            line = rect;
            break;
        case BelowItem:
        case OnViewport: // below the last row: the drop goes to the end
            line = {rect.left(), rect.bottom(), rect.width(), 0};
            break;
        }
    }
    setDropLine(line);
}

void EntryListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    QAbstractItemView::dragLeaveEvent(event);
    setDropLine({});
}

void EntryListView::dropEvent(QDropEvent* event)
{
    QAbstractItemView::dropEvent(event);
    setDropLine({});
}

void EntryListView::setDropLine(const QRect& line)
{
    if (line == m_dropLine)
        return;
    m_dropLine = line;
    viewport()->update();
}

} // namespace siteloom
