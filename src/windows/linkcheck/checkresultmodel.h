#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QSortFilterProxyModel>

namespace siteloom {

class CheckResults;

// A check's results as the window's table shows them: a row per entry checked, its status columns
// empty until the entry's answers are in. The results are the checker's own, read where they are;
// whether a row's entry is still in the list is the window's to say (setRowState).
class CheckResultModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        NumberColumn,
        NameColumn,
        SiteColumn,
        BannerColumn,
        BacklinkColumn,
        DetailsColumn,
        ColumnCount
    };
    // What became of the entry a row checked: still in the list as it was, changed by
    // 「新しいアドレスに更新」 (and so done with), or gone from the list or changed by hand.
    enum class RowState : quint8 { Current, Updated, Stale };

    CheckResultModel(const CheckResults& results, QObject* parent = nullptr);

    // A new check replaces the results: `listRows` are the checked entries' rows in the list
    // (0-based), one per result row.
    void beginNewCheck();
    void endNewCheck(const QList<int>& listRows);
    // The entry's answers are in.
    void showChecked(int row);
    // The check is over: the entries left unchecked say so.
    void showFinished();
    [[nodiscard]] RowState rowState(int row) const { return m_states[row]; }
    void setRowStates(const QList<RowState>& states);
    // Checked, with something for the user to do (see checkFindings).
    [[nodiscard]] bool needsAction(int row) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

private:
    const CheckResults& m_results;
    QList<int> m_listRows;
    QList<RowState> m_states;
    bool m_finished = false;
};

// The rows of a CheckResultModel (its only source), or only those that need action.
class ProblemFilter final : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setProblemsOnly(bool only);

protected:
    [[nodiscard]] bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool m_problemsOnly = false;
};

} // namespace siteloom
