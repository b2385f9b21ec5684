#include "linkcheck/checkresultmodel.h"

#include "linkcheck/checkadvice.h"
#include "linkcheck/checkresult.h"

#include <QColor>
#include <QPalette>

using namespace Qt::StringLiterals;

namespace siteloom {

CheckResultModel::CheckResultModel(const CheckResults& results, QObject* parent)
    : QAbstractTableModel(parent), m_results(results)
{
}

void CheckResultModel::beginNewCheck()
{
    beginResetModel();
}

void CheckResultModel::endNewCheck(const QList<int>& listRows)
{
    m_listRows = listRows;
    m_states = QList<RowState>(listRows.size(), RowState::Current);
    m_finished = false;
    endResetModel();
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

void CheckResultModel::setRowStates(const QList<RowState>& states)
{
    if (states == m_states)
        return;
    m_states = states;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

bool CheckResultModel::needsAction(int row) const
{
    return m_results.isChecked(row) && checkFindings(m_results.at(row)).any();
}

int CheckResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_results.size());
}

int CheckResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

namespace {

const QColor deadColour(0xc0, 0x00, 0x00);
const QColor updateColour(0xa0, 0x50, 0x00);

} // namespace

QVariant CheckResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::ForegroundRole))
        return {};
    const int row = index.row();
    const int column = index.column();
    const RowState state = m_states.value(row, RowState::Current);
    if (column == NumberColumn)
        return role == Qt::DisplayRole ? QVariant(QString::number(m_listRows.value(row, row) + 1))
                                       : QVariant();
    if (role == Qt::ForegroundRole && state == RowState::Stale)
        return QPalette().color(QPalette::Disabled, QPalette::Text);
    const bool checked = m_results.isChecked(row);
    if (column == NameColumn)
        return role == Qt::ForegroundRole ? QVariant() : QVariant(m_results.at(row).name);
    if (!checked) {
        if (column == DetailsColumn && m_finished && role != Qt::ForegroundRole)
            return uncheckedAfterStopText();
        return {};
    }
    const EntryCheck entry = m_results.at(row);
    switch (column) {
    case SiteColumn:
    case BannerColumn: {
        const bool banner = column == BannerColumn;
        const UrlCheck& check = banner ? entry.banner : entry.site;
        if (role == Qt::ToolTipRole)
            return urlStatusDetail(check);
        const QString text = urlStatusText(check, banner);
        if (role == Qt::DisplayRole)
            return text;
        if (check.status == UrlStatus::Redirected || (banner && isPlaceholderBanner(check.url)))
            return updateColour;
        return isProblem(check.status) ? QVariant(deadColour) : QVariant();
    }
    case BacklinkColumn:
        if (role == Qt::ForegroundRole)
            return entry.backlink == BacklinkStatus::NotFound ? QVariant(deadColour) : QVariant();
        if (role == Qt::ToolTipRole && !entry.backlinkReason.isEmpty())
            return entry.backlinkReason;
        return role == Qt::DisplayRole ? QVariant(backlinkStatusText(entry.backlink)) : QVariant();
    default:
        break;
    }
    if (role == Qt::ForegroundRole)
        return {};
    QStringList advice = checkAdvice(entry);
    if (state == RowState::Updated)
        advice = QStringList{updatedResultText()};
    else if (state == RowState::Stale)
        advice.prepend(staleResultText() + u"："_s);
    if (role == Qt::DisplayRole)
        return advice.join(u' ');
    const QString details = checkDetails(entry);
    return details.isEmpty() ? advice.join(u'\n') : advice.join(u'\n') + u"\n\n"_s + details;
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
    return static_cast<const CheckResultModel*>(sourceModel())->needsAction(sourceRow);
}

} // namespace siteloom
