#include "linkcheck/linkcheckwindow.h"

#include "messages/messages.h"
#include "platform.h"
#include "text/textfile.h"
#include "ui/ui.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

enum Column {
    NumberColumn,
    NameColumn,
    SiteColumn,
    BannerColumn,
    BacklinkColumn,
    DetailsColumn,
    ColumnCount
};

void setCell(QTableWidget* table, int row, int column, const QString& text, bool problem = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (problem)
        item->setForeground(QColor(0xc0, 0x00, 0x00));
    table->setItem(row, column, item);
}

} // namespace

LinkCheckWindow::LinkCheckWindow(Platform& platform, const CheckInputs& inputs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_platform(platform)
{
    setObjectName(u"linkCheckWindow"_s);
    setWindowTitle(u"リンク確認"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(860, 480);

    resultTable = new QTableWidget(int(inputs.entries.size()), ColumnCount, this);
    resultTable->setObjectName(u"resultTable"_s);
    resultTable->setHorizontalHeaderLabels(
        {u"番号"_s, u"サイト名"_s, u"サイト"_s, u"バナー"_s, u"相互リンク"_s, u"詳細"_s});
    resultTable->verticalHeader()->hide();
    resultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultTable->setSelectionMode(QAbstractItemView::SingleSelection);
    resultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable->setWordWrap(false);
    resultTable->horizontalHeader()->setStretchLastSection(true);
    resultTable->setColumnWidth(NumberColumn, 48);
    resultTable->setColumnWidth(NameColumn, 160);
    for (int column : {SiteColumn, BannerColumn, BacklinkColumn})
        resultTable->setColumnWidth(column, 96);

    checkProgress = new QProgressBar(this);
    checkProgress->setObjectName(u"checkProgress"_s);
    checkProgress->setRange(0, int(inputs.entries.size()));
    checkProgress->setValue(0);
    checkProgress->setFormat(u"%v / %m 件"_s);
    summaryLabel = new QLabel(u"確認中…"_s, this);
    summaryLabel->setObjectName(u"summaryLabel"_s);
    problemsOnly = new QCheckBox(u"問題のあるものだけ表示"_s, this);
    problemsOnly->setObjectName(u"problemsOnly"_s);
    stopButton = new QPushButton(u"中止"_s, this);
    stopButton->setObjectName(u"stopButton"_s);
    saveButton = new QPushButton(u"CSV で保存"_s, this);
    saveButton->setObjectName(u"saveButton"_s);
    saveButton->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(checkProgress, 1);
    top->addWidget(stopButton);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(summaryLabel, 1);
    bottom->addWidget(problemsOnly);
    bottom->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(resultTable, 1);
    layout->addLayout(bottom);

    m_checker.start(inputs);
    const CheckResults& results = m_checker.results();
    for (int row = 0; row < resultTable->rowCount(); ++row) {
        const EntryCheck entry = results.at(row);
        setCell(resultTable, row, NumberColumn, QString::number(entry.index));
        setCell(resultTable, row, NameColumn, entry.name);
    }

    connect(&m_checker, &LinkChecker::entryChecked, this, &LinkCheckWindow::showEntry);
    connect(&m_checker, &LinkChecker::finished, this, &LinkCheckWindow::showFinished);
    connect(stopButton, &QPushButton::clicked, &m_checker, &LinkChecker::cancel);
    connect(problemsOnly, &QCheckBox::toggled, this, &LinkCheckWindow::applyFilter);
    connect(saveButton, &QPushButton::clicked, this, &LinkCheckWindow::save);
    connect(resultTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row) { emit entryActivated(row); });
    exposeObjectNames(this);
}

// A check still under way is stopped by the checker's own end; this half-destroyed window is no
// longer told of it.
LinkCheckWindow::~LinkCheckWindow()
{
    disconnect(&m_checker, nullptr, this, nullptr);
}

void LinkCheckWindow::showEntry(int row)
{
    const EntryCheck entry = m_checker.results().at(row);
    setCell(resultTable, row, SiteColumn, statusLabel(entry.site.status), isProblem(entry.site.status));
    setCell(resultTable, row, BannerColumn, statusLabel(entry.banner.status), isProblem(entry.banner.status));
    setCell(resultTable, row, BacklinkColumn, statusLabel(entry.backlink), isProblem(entry.backlink));
    setCell(resultTable, row, DetailsColumn, checkDetails(entry));
    checkProgress->setValue(m_checker.checkedCount());
    updateRowVisibility(row);
}

void LinkCheckWindow::showFinished(bool cancelled)
{
    stopButton->setEnabled(false);
    saveButton->setEnabled(true);
    const CheckResults& results = m_checker.results();
    for (int row = 0; row < results.size(); ++row) {
        if (!results.isChecked(row))
            setCell(resultTable, row, DetailsColumn, u"中止したため確認していません"_s);
    }
    const int problems = results.problemCount();
    summaryLabel->setText(
        cancelled ? u"中止しました。%1 件中 %2 件を確認し、問題は %3 件です。"_s.arg(results.size())
                        .arg(m_checker.checkedCount())
                        .arg(problems)
                  : u"確認が終わりました。問題は %1 件です。"_s.arg(problems));
}

void LinkCheckWindow::applyFilter()
{
    for (int row = 0; row < resultTable->rowCount(); ++row)
        updateRowVisibility(row);
}

void LinkCheckWindow::updateRowVisibility(int row)
{
    const bool shown = !problemsOnly->isChecked() || m_checker.results().hasProblem(row);
    resultTable->setRowHidden(row, !shown);
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
    // With a byte-order mark, so that spreadsheets open it as UTF-8.
    const QString csv = u'\uFEFF' + checkCsv(m_checker.results());
    const auto writeLines = [&csv](LineWriter& writer) {
        for (const QStringView line : QStringView(csv).chopped(2).split(u"\r\n"))
            writer.writeLine(line);
    };
    FileError error;
    if (!writeUtf8TextFile(path, writeLines, &error))
        showMessage(m_platform, this, fileProblemMessage(u"結果を保存できませんでした。"_s, error));
}

} // namespace siteloom
