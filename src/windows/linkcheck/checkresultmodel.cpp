#include "linkcheck/checkresultmodel.h"

#include "linkcheck/checkresult.h"

#include <QColor>

using namespace Qt::StringLiterals;

namespace siteloom {

CheckResultModel::CheckResultModel(const CheckResults& results, QObject* parent)
    : QAbstractTableModel(parent), m_results(results)
{
}

void CheckResultModel::showChecked(int row)
{
    emit dataChanged(index(row, SiteColumn), index(row, DetailsColumn));
}

void CheckResultModel::showFinished()
{
    m_finished = true;
    if (rowCount() > 0)
        emit dataChanged(index(0, DetailsColumn), index(rowCount() - 1, DetailsColumn));
}

bool CheckResultModel::hasProblem(int row) const
{
    return m_results.hasProblem(row);
}

int CheckResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_results.size());
}

int CheckResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CheckResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ForegroundRole))
        return {};
    const int row = index.row();
    const int column = index.column();
    if (!m_results.isChecked(row)) {
        if (role != Qt::DisplayRole)
            return {};
        if (column == NumberColumn)
            return QString::number(row + 1);
        if (column == NameColumn)
            return m_results.at(row).name;
        if (column == DetailsColumn && m_finished)
            return u"中止したため確認していません"_s;
        return {};
    }
    const EntryCheck entry = m_results.at(row);
    bool problem = false;
    QString text;
    switch (column) {
    case NumberColumn:
        text = QString::number(entry.index);
        break;
    case NameColumn:
        text = entry.name;
        break;
    case SiteColumn:
        text = statusLabel(entry.site.status);
        problem = isProblem(entry.site.status);
        break;
    case BannerColumn:
        text = statusLabel(entry.banner.status);
        problem = isProblem(entry.banner.status);
        break;
    case BacklinkColumn:
        text = statusLabel(entry.backlink);
        problem = isProblem(entry.backlink);
        break;
    default:
        text = checkDetails(entry);
        break;
    }
    if (role == Qt::ForegroundRole)
        return problem ? QVariant(QColor(0xc0, 0x00, 0x00)) : QVariant();
    return text;
}

QVariant CheckResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char16_t* const titles[] = {u"番号",   u"サイト名",   u"サイト",
                                             u"バナー", u"相互リンク", u"詳細"};
    return QString::fromUtf16(titles[section]);
}

void ProblemFilter::setProblemsOnly(bool only)
{
    m_problemsOnly = only;
    invalidateRowsFilter();
}

bool ProblemFilter::filterAcceptsRow(int sourceRow, const QModelIndex& /*sourceParent*/) const
{
    if (!m_problemsOnly)
        return true;
    return static_cast<const CheckResultModel*>(sourceModel())->hasProblem(sourceRow);
}

} // namespace siteloom
