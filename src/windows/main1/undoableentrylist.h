#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QItemSelectionModel;
class QModelIndex;
class QUndoStack;

namespace siteloom {

class EntryListModel;

// The link list as the user edits it: the rows (model()), which of them is selected (selection(),
// the view's selection model) and the undo history (undoStack()). Every edit below is one step of
// the history, named by its undo text; undoing a step brings back the selection it found, redoing
// it the selection it left. A move a drop asks of the model is carried out here, as one step.
class UndoableEntryList final : public QObject
{
    Q_OBJECT

public:
    explicit UndoableEntryList(QObject* parent = nullptr);

    [[nodiscard]] EntryListModel* model() const { return m_model; }
    [[nodiscard]] QItemSelectionModel* selection() const { return m_selection; }
    [[nodiscard]] QUndoStack* undoStack() const { return m_undo; }

    [[nodiscard]] int count() const;
    [[nodiscard]] const QString& entry(int row) const;
    [[nodiscard]] QStringList entries() const;

    // The selected row, -1 when none is. Should several rows ever be selected, the last one from
    // the top wins.
    [[nodiscard]] int selectedRow() const;
    // Selects one row and makes it current; -1 (or a row not in the list) leaves none selected.
    void selectRow(int row);

    // Appends the entries at the end; the selection stays.
    void append(const QStringList& entries, const QString& undoText);
    // Removes one row; no row is selected afterwards.
    void remove(int row, const QString& undoText);
    // What is selected after a move: nothing (a move by button), or the moved row (by key or drag,
    // so that it can move again).
    enum class AfterMove { SelectNothing, SelectMoved };
    // Moves one row so that it stands at `to` afterwards.
    void move(int from, int to, AfterMove after);
    // Puts another text in one row's place; the selection stays.
    void replace(int row, const QString& text, const QString& undoText);
    // Any other change as one step: redo makes it, undo takes it back.
    void push(const QString& undoText, std::function<void()> redo, std::function<void()> undo);

signals:
    // A row became the selected one and wants to be in sight.
    void rowSelected(const QModelIndex& index);

private:
    EntryListModel* m_model;
    QItemSelectionModel* m_selection;
    QUndoStack* m_undo;
};

} // namespace siteloom
