#include "main1/main1.h"

#include "main1/entrylist.h"
#include "main1/entrylistview.h"

#include <QAction>
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

// The row of the selected line, -1 when no line is selected. The selection model knows its
// selected rows, so the answer costs nothing however long the list is. Should several rows ever be
// selected, the last one from the top wins.
int main1::selectedRow() const
{
    int index = -1;
    const QModelIndexList selected = List1->selectionModel()->selectedIndexes();
    for (const QModelIndex& row : selected)
        index = std::max(index, row.row());
    return index;
}

// Selects one row and makes it current, in sight; -1 leaves no row selected nor current.
void main1::selectRow(int row)
{
    if (row < 0 || row >= m_listModel->count()) {
        List1->selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_listModel->index(row);
    List1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    List1->scrollTo(index);
}

// Pushes one step and does it. Undoing it brings back the selection it found; redoing it, the
// selection it left.
void main1::pushListEdit(const QString& text, std::function<void()> redo, std::function<void()> undo)
{
    const int before = selectedRow();
    auto after = std::make_shared<std::optional<int>>();
    m_undo->push(new ListEdit(
        text,
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

// The menu entries name the step they would undo or redo.
void main1::updateUndoTexts()
{
    const auto name = [](const QString& action, const QString& step) {
        return step.isEmpty() ? action : u"%1（%2）"_s.arg(action, step);
    };
    undoAction->setText(name(u"元に戻す"_s, m_undo->canUndo() ? m_undo->undoText() : QString()));
    undoAction->setEnabled(m_undo->canUndo());
    redoAction->setText(name(u"やり直し"_s, m_undo->canRedo() ? m_undo->redoText() : QString()));
    redoAction->setEnabled(m_undo->canRedo());
}

void main1::appendEntries(const QStringList& entries, const QString& undoText)
{
    if (entries.isEmpty())
        return;
    const int at = m_listModel->count();
    pushListEdit(
        undoText, [this, entries, at] { m_listModel->insertEntries(at, entries); },
        [this, count = int(entries.size()), at] { (void)m_listModel->takeEntries(at, count); });
}

void main1::removeLine(int row, const QString& undoText)
{
    const QString text = m_listModel->entry(row);
    pushListEdit(
        undoText,
        [this, row] {
            (void)m_listModel->takeEntries(row, 1);
            selectRow(-1);
        },
        [this, row, text] { m_listModel->insertEntries(row, {text}); });
}

void main1::moveLine(int from, int to)
{
    pushListEdit(
        u"移動"_s,
        [this, from, to] {
            m_listModel->moveEntry(from, to);
            selectRow(-1);
        },
        [this, from, to] { m_listModel->moveEntry(to, from); });
}

// Alt+Up and Alt+Down: the selected row moves one place and stays selected, so it can move again.
// At the end of the list, or with no row selected, nothing happens.
void main1::moveSelectedRow(int by)
{
    const int row = selectedRow();
    if (row < 0 || row + by < 0 || row + by >= m_listModel->count())
        return;
    moveRowKeepingSelection(row, row + by);
}

// A move by key or by drag and drop.
void main1::moveRowKeepingSelection(int from, int to)
{
    pushListEdit(
        u"移動"_s,
        [this, from, to] {
            m_listModel->moveEntry(from, to);
            selectRow(to);
        },
        [this, from, to] { m_listModel->moveEntry(to, from); });
}

} // namespace siteloom
