#include "main1/entrylist.h"

#include "linkentry/linkentry.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMimeData>
#include <QTextDocument>
#include <QToolTip>

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <utility>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

const QString rowsMimeType = u"application/x-siteloom-rows"_s;

// Characters drawn narrow: ASCII, Latin-1 and half-width katakana.
constexpr bool isNarrow(char16_t c)
{
    return c < 0x100 || char16_t(c - 0xFF61) <= 0xFF9F - 0xFF61;
}

// What identifies this model among the models of every running program.
QByteArray modelTag(const EntryListModel* model)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(quintptr(model), 16);
}

} // namespace

EntryListModel::EntryListModel(QObject* parent) : QAbstractListModel(parent) {}

void EntryListModel::insertEntries(int row, const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    countPendingWidths();
    const int widest = widestRow();
    beginInsertRows({}, row, row + int(texts.size()) - 1);
    m_rows.insert(row, texts);
    countWidths(&m_unitCounts, texts, 1);
    endInsertRows();
    if (widestRow() != widest)
        emit widestRowChanged();
}

QStringList EntryListModel::takeEntries(int row, int count)
{
    if (count <= 0)
        return {};
    countPendingWidths();
    const int widest = widestRow();
    beginRemoveRows({}, row, row + count - 1);
    QStringList taken = m_rows.take(row, count);
    countWidths(&m_unitCounts, taken, -1);
    endRemoveRows();
    if (widestRow() != widest)
        emit widestRowChanged();
    return taken;
}

void EntryListModel::moveEntry(int from, int to)
{
    if (from == to)
        return;
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    m_rows.move(from, to);
    endMoveRows();
}

QString EntryListModel::replaceEntry(int row, const QString& text)
{
    countPendingWidths();
    const int widest = widestRow();
    QString old = m_rows.take(row, 1).constFirst();
    m_rows.insert(row, {text});
    countWidths(&m_unitCounts, {old}, -1);
    countWidths(&m_unitCounts, {text}, 1);
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed);
    if (widestRow() != widest)
        emit widestRowChanged();
    return old;
}

void EntryListModel::swapEntries(QStringList* entries)
{
    beginResetModel();
    RowList incoming(std::exchange(*entries, m_rows.toList()));
    m_rows = std::move(incoming);
    m_widthsPending = true;
    endResetModel();
    QMetaObject::invokeMethod(this, &EntryListModel::countPendingWidths, Qt::QueuedConnection);
}

void EntryListModel::setFont(const QFont& font)
{
    const QFontMetrics metrics(font);
    m_narrowWidth = 1;
    for (char16_t c = 0x20; c < 0x7F; ++c)
        m_narrowWidth = std::max(m_narrowWidth, metrics.horizontalAdvance(QChar(c)));
    for (char16_t c = 0xFF61; c <= 0xFF9F; ++c)
        m_narrowWidth = std::max(m_narrowWidth, metrics.horizontalAdvance(QChar(c)));
    const int wideWidth = std::max({m_narrowWidth, metrics.maxWidth(), metrics.horizontalAdvance(u"Ｗ"_s)});
    m_wideUnits = (wideWidth + m_narrowWidth - 1) / m_narrowWidth;
    m_widthsPending = true;
    countPendingWidths();
}

void EntryListModel::countPendingWidths()
{
    if (!m_widthsPending)
        return;
    UnitCounts counts;
    countWidths(&counts, m_rows.toList(), 1);
    m_unitCounts.swap(counts);
    m_widthsPending = false;
    emit widestRowChanged();
}

int EntryListModel::widestRow() const
{
    const qsizetype units = m_unitCounts.empty() ? 0 : qsizetype(m_unitCounts.size()) - 1;
    return int(std::min<qint64>(qint64(units) * m_narrowWidth, std::numeric_limits<int>::max()));
}

qsizetype EntryListModel::rowUnits(QStringView text) const
{
    // This runs over every character of a list as it is loaded, so eight characters are looked at
    // together where the processor allows it.
    const char16_t* const characters = text.utf16();
    const qsizetype size = text.size();
    qsizetype wide = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    // Narrow: a high byte of zero, or U+FF61..U+FF9F (the saturated difference from its start,
    // less the span, is zero). Each of the eight lanes counts its narrow characters down from zero
    // (a narrow lane compares as -1), and the lanes are added up before they could overflow.
    const __m128i zero = _mm_setzero_si128();
    const __m128i kanaStart = _mm_set1_epi16(short(0xFF61));
    const __m128i kanaSpan = _mm_set1_epi16(0xFF9F - 0xFF61);
    qsizetype narrow = 0;
    while (i + 8 <= size) {
        __m128i lanes = zero;
        for (int round = 0; round < 0x7FFF && i + 8 <= size; ++round, i += 8) {
            const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(characters + i));
            const __m128i latin1 = _mm_cmpeq_epi16(_mm_srli_epi16(eight, 8), zero);
            const __m128i kana =
                _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(eight, kanaStart), kanaSpan), zero);
            lanes = _mm_add_epi16(lanes, _mm_or_si128(latin1, kana));
        }
        // Pairs of lanes added into four 32-bit sums, then those into one.
        const __m128i pairs = _mm_madd_epi16(lanes, _mm_set1_epi16(1));
        const __m128i halves = _mm_add_epi32(pairs, _mm_shuffle_epi32(pairs, _MM_SHUFFLE(1, 0, 3, 2)));
        const __m128i all = _mm_add_epi32(halves, _mm_shuffle_epi32(halves, _MM_SHUFFLE(2, 3, 0, 1)));
        narrow -= _mm_cvtsi128_si32(all);
    }
    wide = i - narrow;
#else
    // Most characters of a row are ASCII (its URLs): eight with no high byte among them are narrow.
    for (; i + 8 <= size; i += 8) {
        quint64 eight[2];
        std::memcpy(eight, characters + i, sizeof eight);
        if (((eight[0] | eight[1]) & 0xFF00FF00FF00FF00u) == 0)
            continue;
        for (qsizetype k = i; k < i + 8; ++k)
            wide += !isNarrow(characters[k]);
    }
#endif
    for (; i < size; ++i)
        wide += !isNarrow(characters[i]);
    return size + wide * (m_wideUnits - 1);
}

// The counts end at the widest row, so the last one is never zero.
void EntryListModel::countWidths(UnitCounts* counts, const QStringList& texts, int sign) const
{
    // The rows' texts lie apart in memory: each is asked for a few rows ahead of its turn.
    constexpr qsizetype ahead = 8;
    for (qsizetype row = 0; row < texts.size(); ++row) {
        if (row + ahead < texts.size())
            __builtin_prefetch(texts[row + ahead].constData());
        const qsizetype units = rowUnits(texts[row]);
        if (units >= qsizetype(counts->size()))
            counts->resize(units + 1);
        (*counts)[units] += sign;
    }
    while (!counts->empty() && counts->back() <= 0)
        counts->pop_back();
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const QString& text = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return text;
    case Qt::ToolTipRole: {
        const LinkEntry entry = splitEntry(text);
        return QString(entry.bannerUrl + u'\n' + entry.siteName + u'\n' + entry.siteUrl);
    }
    default:
        return {};
    }
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const
{
    // Rows are dropped between rows, never onto one.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

Qt::DropActions EntryListModel::supportedDragActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions EntryListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList EntryListModel::mimeTypes() const
{
    return {rowsMimeType};
}

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.size() != 1 || !indexes.first().isValid())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(rowsMimeType, modelTag(this) + ' ' + QByteArray::number(indexes.first().row()));
    data->setText(m_rows.at(indexes.first().row()));
    return data;
}

int EntryListModel::draggedRow(const QMimeData* data) const
{
    if (!data || !data->hasFormat(rowsMimeType))
        return -1;
    const QList<QByteArray> parts = data->data(rowsMimeType).split(' ');
    bool ok = false;
    const int row = parts.size() == 2 && parts[0] == modelTag(this) ? parts[1].toInt(&ok) : -1;
    return ok && row >= 0 && row < count() ? row : -1;
}

bool EntryListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                     const QModelIndex&) const
{
    return action == Qt::MoveAction && draggedRow(data) >= 0;
}

bool EntryListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                  const QModelIndex& parent)
{
    if (action == Qt::IgnoreAction)
        return true;
    const int from = action == Qt::MoveAction ? draggedRow(data) : -1;
    if (from < 0)
        return false;
    // Dropped onto a row: before it; onto the empty space below the rows: at the end.
    const int destination = parent.isValid() ? parent.row() : row < 0 ? count() : row;
    requestMove(from, destination);
    return true;
}

bool EntryListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int rows,
                              const QModelIndex& destinationParent, int destinationChild)
{
    if (sourceParent.isValid() || destinationParent.isValid() || rows != 1 || sourceRow < 0 ||
        sourceRow >= count() || destinationChild < 0 || destinationChild > count())
        return false;
    requestMove(sourceRow, destinationChild);
    return true;
}

void EntryListModel::requestMove(int from, int destination)
{
    const int to = destination > from ? destination - 1 : destination;
    if (to == from)
        return;
    emit moveRequested(from, to);
}

EntryDelegate::EntryDelegate(const EntryListModel* model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

// Every row is one line as high as a line of Japanese text and as wide as the widest row may be:
// the size comes from a short sample and the model's bound, never from measuring a row, which may
// be very long.
QSize EntryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem sample = option;
    initStyleOption(&sample, index);
    sample.text = u"Mあｱ"_s;
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    QSize size = style->sizeFromContents(QStyle::CT_ItemViewItem, &sample, QSize(), option.widget);
    // The text's margins are what the style adds around the sample.
    const int margins = size.width() - sample.fontMetrics.horizontalAdvance(sample.text);
    size.setWidth(m_model->widestRow() + std::max(margins, 0));
    return size;
}

// The tooltip shows the row's three fields on three lines, as the user typed them: markup in a
// site name is shown, not applied.
bool EntryDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                              const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString text = index.data(Qt::ToolTipRole).toString();
    QToolTip::showText(event->globalPos(), Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap), view,
                       view->visualRect(index));
    return true;
}

} // namespace siteloom
