#include "updates/updatesmodel.h"

#include "messages/updatemessages.h"

#include <QBrush>
#include <QColor>
#include <QFont>

using namespace Qt::StringLiterals;

namespace siteloom {

void UpdatesModel::setResults(const QList<UpdateResult>& results)
{
    beginResetModel();
    m_results = results;
    order();
    endResetModel();
}

void UpdatesModel::setUpdatedOnly(bool updatedOnly)
{
    beginResetModel();
    m_updatedOnly = updatedOnly;
    order();
    endResetModel();
}

void UpdatesModel::order()
{
    m_order.clear();
    for (int row = 0; row < m_results.size(); ++row) {
        if (m_results[row].status == UpdateStatus::Updated)
            m_order.append(row);
    }
    if (m_updatedOnly)
        return;
    for (int row = 0; row < m_results.size(); ++row) {
        if (m_results[row].status != UpdateStatus::Updated)
            m_order.append(row);
    }
}

int UpdatesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

int UpdatesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant UpdatesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_order.size())
        return {};
    const UpdateResult& result = resultAt(index.row());
    const bool updated = result.status == UpdateStatus::Updated;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
            return result.name.isEmpty() ? result.url : result.name;
        case 1:
            return updateStatusText(result.status);
        case 2:
            return result.changedAt.isValid() ? result.changedAt.toLocalTime().toString(u"yyyy/MM/dd HH:mm"_s)
                                              : QString();
        case 3:
            if (result.status == UpdateStatus::Unknown || result.status == UpdateStatus::Error)
                return result.reason;
            return updated ? (result.title.isEmpty() ? updatedPageText() : result.title) : QString();
        }
        return {};
    case Qt::ToolTipRole:
        return result.url;
    case Qt::FontRole:
        if (updated) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::BackgroundRole:
        return updated ? QVariant(QBrush(QColor(0xff, 0xf4, 0xc0))) : QVariant();
    case Qt::ForegroundRole:
        return updated ? QVariant(QBrush(Qt::black)) : QVariant();
    }
    return {};
}

QVariant UpdatesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return updateColumnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace siteloom
