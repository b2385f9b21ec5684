#include "main1/undoableentrylist.h"

#include "main1/entrylist.h"

#include <QItemSelectionModel>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// One step of the list's history: what the user's action did, and how to take it back.
class ListEdit final : public QUndoCommand
{
public:
    ListEdit(const QString& text, std::function<void()> redo, std::function<void()> undo)
        : QUndoCommand(text), m_redo(std::move(redo)), m_undo(std::move(undo))
    {
    }

    void redo() override { m_redo(); }
    void undo() override { m_undo(); }

private:
    std::function<void()> m_redo;
    std::function<void()> m_undo;
};

} // namespace

UndoableEntryList::UndoableEntryList(QObject* parent)
    : QObject(parent), m_model(new EntryListModel(this)), m_selection(new QItemSelectionModel(m_model, this)),
      m_undo(new QUndoStack(this))
{
    // Each step of a load keeps the list it replaced; the history stops somewhere.
    m_undo->setUndoLimit(100);
    connect(m_model, &EntryListModel::moveRequested, this,
            [this](int from, int to) { move(from, to, AfterMove::SelectMoved); });
}

int UndoableEntryList::count() const
{
    return m_model->count();
}

const QString& UndoableEntryList::entry(int row) const
{
    return m_model->entry(row);
}

QStringList UndoableEntryList::entries() const
{
    return m_model->entries();
}

// The selection model knows its selected rows, so the answer costs nothing however long the list is.
int UndoableEntryList::selectedRow() const
{
    int index = -1;
    const QModelIndexList selected = m_selection->selectedIndexes();
    for (const QModelIndex& row : selected)
        index = std::max(index, row.row());
    return index;
}

void UndoableEntryList::selectRow(int row)
{
    if (row < 0 || row >= m_model->count()) {
        m_selection->clear();
        return;
    }
    const QModelIndex index = m_model->index(row);
    m_selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    emit rowSelected(index);
}

void UndoableEntryList::push(const QString& undoText, std::function<void()> redo, std::function<void()> undo)
{
    const int before = selectedRow();
    auto after = std::make_shared<std::optional<int>>();
    m_undo->push(new ListEdit(
        undoText,
        [this, redo = std::move(redo), after] {
            redo();
            if (*after)
                selectRow(**after);
            else
                *after = selectedRow();
        },
        [this, undo = std::move(undo), before] {
            undo();
            selectRow(before);
        }));
}

void UndoableEntryList::append(const QStringList& entries, const QString& undoText)
{
    if (entries.isEmpty())
        return;
    const int at = m_model->count();
    push(
        undoText, [this, entries, at] { m_model->insertEntries(at, entries); },
        [this, count = int(entries.size()), at] { (void)m_model->takeEntries(at, count); });
}

void UndoableEntryList::remove(int row, const QString& undoText)
{
    const QString text = m_model->entry(row);
    push(
        undoText,
        [this, row] {
            (void)m_model->takeEntries(row, 1);
            selectRow(-1);
        },
        [this, row, text] { m_model->insertEntries(row, {text}); });
}

void UndoableEntryList::move(int from, int to, AfterMove after)
{
    push(
        u"移動"_s,
        [this, from, to, after] {
            m_model->moveEntry(from, to);
            selectRow(after == AfterMove::SelectMoved ? to : -1);
        },
        [this, from, to] { m_model->moveEntry(to, from); });
}

void UndoableEntryList::replace(int row, const QString& text, const QString& undoText)
{
    auto other = std::make_shared<QString>(text);
    const auto exchange = [this, row, other] { *other = m_model->replaceEntry(row, *other); };
    push(undoText, exchange, exchange);
}

} // namespace siteloom
