#pragma once

#include "updates/updateresult.h"

#include <QAbstractTableModel>
#include <QList>

namespace siteloom {

// The update check's results as a table (サイト名, 状態, 更新日時, 内容): the updated sites first and
// marked (bold, on a light background), then the others, each group in list order. With only
// updated sites shown, the rest are left out.
class UpdatesModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setResults(const QList<UpdateResult>& results);
    void setUpdatedOnly(bool updatedOnly);
    // The result a row shows.
    [[nodiscard]] const UpdateResult& resultAt(int row) const { return m_results[m_order[row]]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void order();

    QList<UpdateResult> m_results;
    QList<int> m_order; // the rows shown, as indexes into m_results
    bool m_updatedOnly = false;
};

} // namespace siteloom
