#include "linkcheck/linkcheckwindow.h"

#include "linkcheck/checkadvice.h"
#include "linkcheck/checkcsv.h"
#include "linkcheck/checkresultmodel.h"
#include "linkentry/linkentry.h"
#include "messages/messages.h"
#include "platform.h"
#include "ui/ui.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// Where the window's size is remembered between runs.
const QString settingsApplication = u"siteloom"_s;
const QString settingsSection = u"LinkCheckWindow"_s;
const QString settingsSize = u"Size"_s;

QPushButton* namedButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

LinkCheckWindow::LinkCheckWindow(Platform& platform, const CheckInputs& inputs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_platform(platform)
{
    setObjectName(u"linkCheckWindow"_s);
    setWindowTitle(u"リンク確認"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    m_model = new CheckResultModel(m_checker.results(), this);
    m_filter = new ProblemFilter(this);
    m_filter->setSourceModel(m_model);
    resultTable = new QTableView(this);
    resultTable->setObjectName(u"resultTable"_s);
    resultTable->setModel(m_filter);
    resultTable->verticalHeader()->hide();
    resultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    resultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable->setWordWrap(false);
    // Tab moves on to the buttons; the arrows move between rows.
    resultTable->setTabKeyNavigation(false);
    resultTable->horizontalHeader()->setStretchLastSection(true);
    resultTable->installEventFilter(this);

    checkProgress = new QProgressBar(this);
    checkProgress->setObjectName(u"checkProgress"_s);
    checkProgress->setAccessibleName(u"確認の進み具合"_s);
    checkProgress->setFormat(u"%v / %m 件"_s);
    summaryLabel = new QLabel(this);
    summaryLabel->setObjectName(u"summaryLabel"_s);
    summaryLabel->setWordWrap(true);
    resultsStale = new QLabel(staleResultsNotice(), this);
    resultsStale->setObjectName(u"resultsStale"_s);
    resultsStale->setWordWrap(true);
    resultsStale->hide();
    problemsOnly = new QCheckBox(u"対応が必要なものだけ"_s, this);
    problemsOnly->setObjectName(u"problemsOnly"_s);
    stopButton = namedButton(u"中止"_s, u"stopButton"_s, this);
    recheckButton = namedButton(u"再確認"_s, u"recheckButton"_s, this);
    recheckButton->setToolTip(
        u"今のリストを確かめ直します。「対応が必要なものだけ」のときは、その項目だけを確かめ直します。"_s);
    updateUrlButton = namedButton(u"新しいアドレスに更新"_s, u"updateUrlButton"_s, this);
    saveButton = namedButton(u"CSV で保存"_s, u"saveButton"_s, this);

    updateUrlAction = new QAction(u"新しいアドレスに更新"_s, this);
    updateUrlAction->setObjectName(u"updateUrlAction"_s);
    resultTable->addAction(updateUrlAction);
    resultTable->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* closeAction = new QAction(this);
    closeAction->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    closeAction->setShortcutContext(Qt::WindowShortcut);
    addAction(closeAction);

    auto* top = new QHBoxLayout;
    top->addWidget(checkProgress, 1);
    top->addWidget(stopButton);
    top->addWidget(recheckButton);
    auto* actions = new QHBoxLayout;
    actions->addWidget(problemsOnly);
    actions->addStretch(1);
    actions->addWidget(updateUrlButton);
    actions->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(resultsStale);
    layout->addWidget(resultTable, 1);
    layout->addWidget(summaryLabel);
    layout->addLayout(actions);
    setTabOrder(resultTable, stopButton);
    setTabOrder(stopButton, recheckButton);
    setTabOrder(recheckButton, problemsOnly);
    setTabOrder(problemsOnly, updateUrlButton);
    setTabOrder(updateUrlButton, saveButton);

    connect(&m_checker, &LinkChecker::entryChecked, this, &LinkCheckWindow::showEntry);
    connect(&m_checker, &LinkChecker::finished, this, &LinkCheckWindow::showFinished);
    connect(stopButton, &QPushButton::clicked, &m_checker, &LinkChecker::cancel);
    connect(recheckButton, &QPushButton::clicked, this, &LinkCheckWindow::recheckRequested);
    connect(problemsOnly, &QCheckBox::toggled, m_filter, &ProblemFilter::setProblemsOnly);
    connect(saveButton, &QPushButton::clicked, this, &LinkCheckWindow::save);
    connect(updateUrlButton, &QPushButton::clicked, updateUrlAction, &QAction::trigger);
    connect(updateUrlAction, &QAction::triggered, this, &LinkCheckWindow::updateSelectedUrls);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    connect(resultTable, &QTableView::doubleClicked, this, &LinkCheckWindow::activateRow);
    connect(resultTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LinkCheckWindow::updateActions);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &LinkCheckWindow::updateActions);

    QList<int> listRows(inputs.entries.size());
    std::iota(listRows.begin(), listRows.end(), 0);
    m_listEntries = inputs.entries;
    start(inputs, listRows);
    const int columns = fitColumns();

    // The size from the font (the details column about as wide as the others), or as the user
    // last left it; centred on the owner.
    const QFontMetrics metrics = fontMetrics();
    QSize size(columns + metrics.horizontalAdvance(u'あ') * 24, metrics.lineSpacing() * 24);
    const QStringList remembered =
        m_platform.readSetting(settingsApplication, settingsSection, settingsSize).split(u'x');
    if (remembered.size() == 2 && remembered[0].toInt() > 0 && remembered[1].toInt() > 0)
        size = QSize(remembered[0].toInt(), remembered[1].toInt());
    if (const QScreen* shown = parent ? parent->screen() : screen())
        size = size.boundedTo(shown->availableGeometry().size());
    resize(size.expandedTo(minimumSizeHint()));
    if (parent)
        move(parent->window()->geometry().center() - rect().center());
    exposeObjectNames(this);
    updateUrlAction->setToolTip(updateUrlAction->text());
}

// A check still under way is stopped by the checker's own end; this half-destroyed window is no
// longer told of it.
LinkCheckWindow::~LinkCheckWindow()
{
    disconnect(&m_checker, nullptr, this, nullptr);
}

void LinkCheckWindow::start(const CheckInputs& inputs, const QList<int>& listRows)
{
    m_model->beginNewCheck();
    m_checker.start(inputs);
    m_lines = inputs.entries;
    m_listRows = listRows;
    m_updated = QStringList(inputs.entries.size(), QString());
    m_model->endNewCheck(listRows);
    m_finished = false;
    m_cancelled = false;
    checkProgress->setRange(0, int(inputs.entries.size()));
    checkProgress->setValue(0);
    stopButton->setEnabled(true);
    resultsStale->hide();
    showSummary();
    updateActions();
}

void LinkCheckWindow::recheck(const CheckInputs& inputs)
{
    if (m_checker.isRunning())
        m_checker.cancel();
    m_listEntries = inputs.entries;
    CheckInputs chosen = inputs;
    QList<int> listRows;
    if (problemsOnly->isChecked()) {
        // The lines whose result needs action, as the list holds them now.
        QSet<QString> wanted;
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (m_model->needsAction(row))
                wanted.insert(m_updated[row].isEmpty() ? m_lines[row] : m_updated[row]);
        }
        chosen.entries.clear();
        for (int row = 0; row < inputs.entries.size(); ++row) {
            if (wanted.contains(inputs.entries[row])) {
                chosen.entries.append(inputs.entries[row]);
                listRows.append(row);
            }
        }
    } else {
        listRows.resize(inputs.entries.size());
        std::iota(listRows.begin(), listRows.end(), 0);
    }
    start(chosen, listRows);
}

void LinkCheckWindow::setListEntries(const QStringList& entries)
{
    m_listEntries = entries;
    const QSet<QString> present(entries.cbegin(), entries.cend());
    QList<CheckResultModel::RowState> states(m_lines.size(), CheckResultModel::RowState::Current);
    bool stale = false;
    for (qsizetype row = 0; row < m_lines.size(); ++row) {
        if (present.contains(m_lines[row]))
            continue;
        if (!m_updated[row].isEmpty() && present.contains(m_updated[row])) {
            states[row] = CheckResultModel::RowState::Updated;
        } else {
            states[row] = CheckResultModel::RowState::Stale;
            stale = true;
        }
    }
    m_model->setRowStates(states);
    resultsStale->setVisible(stale);
    updateActions();
}

bool LinkCheckWindow::hasStaleResults() const
{
    return resultsStale->isVisibleTo(this);
}

void LinkCheckWindow::showEntry(int row)
{
    m_model->showChecked(row);
    checkProgress->setValue(m_checker.checkedCount());
    showSummary();
}

void LinkCheckWindow::showFinished(bool cancelled)
{
    m_finished = true;
    m_cancelled = cancelled;
    stopButton->setEnabled(false);
    m_model->showFinished();
    showSummary();
}

void LinkCheckWindow::showSummary()
{
    const CheckResults& results = m_checker.results();
    CheckCounts counts;
    for (qsizetype row = 0; row < results.size(); ++row) {
        if (results.isChecked(row))
            counts.add(checkFindings(results.at(row)));
    }
    summaryLabel->setText(checkSummary(counts, results.size(), m_finished, m_cancelled));
}

// The rows chosen whose entry is still in the list as checked and has moved.
void LinkCheckWindow::updateActions()
{
    bool any = false;
    const QModelIndexList chosen = resultTable->selectionModel()->selectedRows();
    for (const QModelIndex& index : chosen) {
        const int row = m_filter->mapToSource(index).row();
        if (m_checker.results().isChecked(row) &&
            m_model->rowState(row) == CheckResultModel::RowState::Current &&
            !updatedEntry(m_lines[row], m_checker.results().at(row)).isEmpty()) {
            any = true;
            break;
        }
    }
    updateUrlAction->setEnabled(any);
    updateUrlButton->setEnabled(any);
}

void LinkCheckWindow::activateRow(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const int row = m_filter->mapToSource(index).row();
    const QString& entry = m_updated[row].isEmpty() ? m_lines[row] : m_updated[row];
    emit entryActivated(entry, m_listRows[row]);
}

void LinkCheckWindow::updateSelectedUrls()
{
    QStringList entries;
    QList<int> rows;
    QStringList updated;
    const QModelIndexList chosen = resultTable->selectionModel()->selectedRows();
    for (const QModelIndex& index : chosen) {
        const int row = m_filter->mapToSource(index).row();
        if (!m_checker.results().isChecked(row) ||
            m_model->rowState(row) != CheckResultModel::RowState::Current)
            continue;
        const QString line = updatedEntry(m_lines[row], m_checker.results().at(row));
        if (line.isEmpty())
            continue;
        m_updated[row] = line;
        entries.append(m_lines[row]);
        rows.append(m_listRows[row]);
        updated.append(line);
    }
    if (!entries.isEmpty())
        emit urlUpdateRequested(entries, rows, updated);
}

bool LinkCheckWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == resultTable && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            activateRow(resultTable->currentIndex());
            return true;
        }
        // Ctrl+Tab leaves the table as Tab does.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            key->modifiers().testFlag(Qt::ControlModifier)) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && !key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LinkCheckWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && resultTable)
        fitColumns();
}

void LinkCheckWindow::closeEvent(QCloseEvent* event)
{
    (void)m_platform.writeSetting(settingsApplication, settingsSection, settingsSize,
                                  u"%1x%2"_s.arg(width()).arg(height()));
    QWidget::closeEvent(event);
}

// Each column as wide as its widest fixed word in the window's font; the details take the rest.
// Gives the width of the columns before the details.
int LinkCheckWindow::fitColumns()
{
    const QFontMetrics metrics = resultTable->fontMetrics();
    const int padding = metrics.horizontalAdvance(u'0') * 2;
    const auto widest = [&metrics](const QStringList& texts) {
        int width = 0;
        for (const QString& text : texts)
            width = std::max(width, metrics.horizontalAdvance(text));
        return width;
    };
    QStringList sites;
    QStringList banners;
    for (UrlStatus status : {UrlStatus::Ok, UrlStatus::Redirected, UrlStatus::Broken, UrlStatus::Unreachable,
                             UrlStatus::Timeout, UrlStatus::Invalid, UrlStatus::NotImage}) {
        UrlCheck check;
        check.status = status;
        sites.append(urlStatusText(check, false));
        banners.append(urlStatusText(check, true));
    }
    UrlCheck placeholder;
    placeholder.status = UrlStatus::Ok;
    placeholder.url = QString::fromUtf16(defaultBannerUrl);
    banners.append(urlStatusText(placeholder, true));
    QStringList backlinks;
    for (BacklinkStatus status :
         {BacklinkStatus::Found, BacklinkStatus::NotFound, BacklinkStatus::Unknown, BacklinkStatus::Skipped})
        backlinks.append(backlinkStatusText(status));
    const QHeaderView* header = resultTable->horizontalHeader();
    const QList<std::pair<int, int>> widths{
        {CheckResultModel::NumberColumn, metrics.horizontalAdvance(u"00000"_s)},
        {CheckResultModel::NameColumn, metrics.horizontalAdvance(u'あ') * 12},
        {CheckResultModel::SiteColumn, widest(sites)},
        {CheckResultModel::BannerColumn, widest(banners)},
        {CheckResultModel::BacklinkColumn, widest(backlinks)}};
    int total = 0;
    for (const auto& [column, width] : widths) {
        const int title =
            header->fontMetrics().horizontalAdvance(m_model->headerData(column, Qt::Horizontal).toString());
        resultTable->setColumnWidth(column, std::max(width, title) + padding);
        total += resultTable->columnWidth(column);
    }
    resultTable->verticalHeader()->setDefaultSectionSize(metrics.lineSpacing() + metrics.height() / 3);
    return total;
}

// The rows checked so far, as the table shows them.
void LinkCheckWindow::save()
{
    FileDialogRequest request;
    request.filters = {u"CSV ファイル (*.csv)"_s};
    request.fileName = u"linkcheck.csv"_s;
    request.directory = m_platform.currentDirectory();
    const QString path = m_platform.saveFileName(this, request);
    if (path.isEmpty())
        return;
    FileError error;
    if (!saveCheckCsv(path, m_checker.results(), &error, m_listRows))
        showMessage(m_platform, this, fileProblemMessage(u"結果を保存できませんでした。"_s, error));
    else
        showMessage(m_platform, this, checkCsvSavedMessage(QDir::toNativeSeparators(path)));
}

} // namespace siteloom
