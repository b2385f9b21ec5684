#include "updates/updateswindow.h"

#include "messages/updatemessages.h"
#include "platform.h"
#include "text/textfile.h"
#include "ui/ui.h"
#include "updates/updatesmodel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

template <typename Widget> Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

UpdatesWindow::UpdatesWindow(Platform& platform, const QStringList& entries, QWidget* parent,
                             const UpdateOptions& options)
    : QWidget(parent, Qt::Window), m_platform(platform), m_entries(entries), m_model(new UpdatesModel(this))
{
    setObjectName(u"updatesWindow"_s);
    setWindowTitle(updatesWindowTitle());
    m_checker.setOptions(options);

    updatesTable = named(new QTableView(this), "updatesTable");
    updatesTable->setModel(m_model);
    updatesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    updatesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    updatesTable->verticalHeader()->hide();
    updatesTable->horizontalHeader()->setStretchLastSection(true);
    updatesProgress = named(new QProgressBar(this), "updatesProgress");
    summaryLabel = named(new QLabel(this), "updatesSummary");
    checkButton = named(new QPushButton(updatesRunCaption(), this), "checkUpdatesButton");
    stopUpdatesButton = named(new QPushButton(updatesStopCaption(), this), "stopUpdatesButton");
    updatedOnly = named(new QCheckBox(updatedOnlyCaption(), this), "updatedOnly");
    updatesPageButton = named(new QPushButton(updatesPageCaption(), this), "updatesPageButton");
    timerHours = named(new QSpinBox(this), "updatesTimer");
    timerHours->setRange(0, 168);
    timerHours->setSuffix(updatesTimerSuffix());
    timerHours->setSpecialValueText(u"なし"_s);
    auto* timerLabel = new QLabel(updatesTimerCaption(), this);
    timerLabel->setBuddy(timerHours);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(checkButton);
    buttons->addWidget(stopUpdatesButton);
    buttons->addWidget(updatedOnly);
    buttons->addStretch();
    buttons->addWidget(timerLabel);
    buttons->addWidget(timerHours);
    buttons->addWidget(updatesPageButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(updatesTable);
    layout->addWidget(updatesProgress);
    layout->addWidget(summaryLabel);
    layout->addLayout(buttons);
    resize(fontMetrics().averageCharWidth() * 110, fontMetrics().height() * 30);

    exposeObjectNames(this);

    connect(checkButton, &QPushButton::clicked, this, &UpdatesWindow::check);
    connect(stopUpdatesButton, &QPushButton::clicked, &m_checker, &UpdateChecker::cancel);
    connect(updatedOnly, &QCheckBox::toggled, m_model, &UpdatesModel::setUpdatedOnly);
    connect(updatesPageButton, &QPushButton::clicked, this, &UpdatesWindow::writePage);
    connect(updatesTable, &QAbstractItemView::activated, this, &UpdatesWindow::openRow);
    connect(&m_checker, &UpdateChecker::entryChecked, this, &UpdatesWindow::showProgress);
    connect(&m_checker, &UpdateChecker::finished, this, &UpdatesWindow::showFinished);
    // The timer runs only while the window is open: it is the window's.
    connect(timerHours, &QSpinBox::valueChanged, this, [this](int hours) {
        if (hours == 0)
            timer.stop();
        else
            timer.start(std::chrono::hours(hours));
    });
    connect(&timer, &QTimer::timeout, this, &UpdatesWindow::check);
    check();
}

UpdatesWindow::~UpdatesWindow()
{
    // A check still running ends with the window, its state kept, with nobody left to show it.
    m_checker.disconnect(this);
}

void UpdatesWindow::closeEvent(QCloseEvent* event)
{
    timer.stop();
    m_checker.cancel();
    QWidget::closeEvent(event);
}

void UpdatesWindow::showEvent(QShowEvent* event)
{
    if (timerHours->value() > 0 && !timer.isActive())
        timer.start(std::chrono::hours(timerHours->value()));
    QWidget::showEvent(event);
}

void UpdatesWindow::check()
{
    if (m_checker.isRunning())
        return;
    updatesProgress->setRange(0, int(m_entries.size()));
    updatesProgress->setValue(0);
    updatesProgress->setFormat(updatesProgressText(0, int(m_entries.size())));
    stopUpdatesButton->setEnabled(true);
    checkButton->setEnabled(false);
    m_checker.start(m_entries);
}

void UpdatesWindow::showProgress()
{
    updatesProgress->setValue(m_checker.checkedCount());
    updatesProgress->setFormat(
        updatesProgressText(m_checker.checkedCount(), int(m_checker.results().size())));
}

void UpdatesWindow::showFinished(bool cancelled)
{
    stopUpdatesButton->setEnabled(false);
    checkButton->setEnabled(true);
    showProgress();
    updatesProgress->setFormat(
        updatesEndedText(m_checker.checkedCount(), int(m_checker.results().size()), cancelled));
    m_model->setResults(m_checker.results());
    updatesTable->resizeColumnsToContents();
    int updated = 0;
    int unknown = 0;
    for (const UpdateResult& result : m_checker.results()) {
        updated += result.status == UpdateStatus::Updated;
        unknown += result.status == UpdateStatus::Unknown || result.status == UpdateStatus::Error;
    }
    summaryLabel->setText(updatesSummaryText(int(m_checker.results().size()), updated, unknown));
    if (!m_checker.stateWritten()) {
        MessageRequest message;
        message.text = updateStateNotWrittenMessage(m_checker.stateError());
        message.icon = QMessageBox::Warning;
        m_platform.messageBox(this, message);
    }
}

void UpdatesWindow::openRow(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const UpdateResult& result = m_model->resultAt(index.row());
    (void)m_platform.openInBrowser(QUrl(result.link.isEmpty() ? result.url : result.link));
}

void UpdatesWindow::writePage()
{
    FileDialogRequest request;
    request.filters = {u"HTML (*.html *.htm)"_s};
    request.fileName = u"updates.html"_s;
    const QString path = m_platform.saveFileName(this, request);
    if (path.isEmpty())
        return;
    FileError error;
    MessageRequest message;
    if (writeTextFile(
            path,
            [this](LineWriter& writer) { writeUpdatesPage(m_checker.results(), updatesPageTitle(), writer); },
            &error)) {
        message.text = updatesPageWrittenMessage(path);
    } else {
        message.text = updatesPageNotWrittenMessage(error);
        message.icon = QMessageBox::Warning;
    }
    m_platform.messageBox(this, message);
}

} // namespace siteloom
