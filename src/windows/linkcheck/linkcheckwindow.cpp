#include "linkcheck/linkcheckwindow.h"

#include "linkcheck/checkcsv.h"
#include "linkcheck/checkresultmodel.h"
#include "messages/messages.h"
#include "platform.h"
#include "ui/ui.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace siteloom {

LinkCheckWindow::LinkCheckWindow(Platform& platform, const CheckInputs& inputs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_platform(platform)
{
    setObjectName(u"linkCheckWindow"_s);
    setWindowTitle(u"リンク確認"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(860, 480);

    m_checker.start(inputs);
    m_model = new CheckResultModel(m_checker.results(), this);
    m_filter = new ProblemFilter(this);
    m_filter->setSourceModel(m_model);
    resultTable = new QTableView(this);
    resultTable->setObjectName(u"resultTable"_s);
    resultTable->setModel(m_filter);
    resultTable->verticalHeader()->hide();
    resultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultTable->setSelectionMode(QAbstractItemView::SingleSelection);
    resultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultTable->setWordWrap(false);
    resultTable->horizontalHeader()->setStretchLastSection(true);
    resultTable->setColumnWidth(CheckResultModel::NumberColumn, 48);
    resultTable->setColumnWidth(CheckResultModel::NameColumn, 160);
    for (int column :
         {CheckResultModel::SiteColumn, CheckResultModel::BannerColumn, CheckResultModel::BacklinkColumn})
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

    connect(&m_checker, &LinkChecker::entryChecked, this, &LinkCheckWindow::showEntry);
    connect(&m_checker, &LinkChecker::finished, this, &LinkCheckWindow::showFinished);
    connect(stopButton, &QPushButton::clicked, &m_checker, &LinkChecker::cancel);
    connect(problemsOnly, &QCheckBox::toggled, m_filter, &ProblemFilter::setProblemsOnly);
    connect(saveButton, &QPushButton::clicked, this, &LinkCheckWindow::save);
    connect(resultTable, &QTableView::doubleClicked, this,
            [this, entries = inputs.entries](const QModelIndex& index) {
                const int row = m_filter->mapToSource(index).row();
                emit entryActivated(entries[row], row);
            });
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
    m_model->showChecked(row);
    checkProgress->setValue(m_checker.checkedCount());
}

void LinkCheckWindow::showFinished(bool cancelled)
{
    stopButton->setEnabled(false);
    saveButton->setEnabled(true);
    m_model->showFinished();
    const CheckResults& results = m_checker.results();
    const int problems = results.problemCount();
    summaryLabel->setText(
        cancelled ? u"中止しました。%1 件中 %2 件を確認し、問題は %3 件です。"_s.arg(results.size())
                        .arg(m_checker.checkedCount())
                        .arg(problems)
                  : u"確認が終わりました。問題は %1 件です。"_s.arg(problems));
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
    if (!saveCheckCsv(path, m_checker.results(), &error))
        showMessage(m_platform, this, fileProblemMessage(u"結果を保存できませんでした。"_s, error));
}

} // namespace siteloom
