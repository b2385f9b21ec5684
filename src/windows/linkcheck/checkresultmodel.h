#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

namespace siteloom {

class CheckResults;

// A check's results as the window's table shows them: a row per entry, its status columns empty
// until the entry is checked. The results are the checker's own, read where they are.
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

    CheckResultModel(const CheckResults& results, QObject* parent = nullptr);

    // The entry's answers are in.
    void showChecked(int row);
    // The check is over: the entries left unchecked say so.
    void showFinished();
    [[nodiscard]] bool hasProblem(int row) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

private:
    const CheckResults& m_results;
    bool m_finished = false;
};

// The rows of a CheckResultModel (its only source), or only those with a problem.
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
