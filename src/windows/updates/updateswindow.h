#pragma once

#include "updates/updatechecker.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace siteloom {

class Platform;
class UpdatesModel;

// 更新チェック: which partners' sites changed since the last check, a row per entry, the updated
// ones first. Modeless; it checks when opened and when asked again (チェック, or the timer the user
// may turn on, in hours, while the window is open). A double-click opens the changed feed item, or
// else the site, in the browser; 更新ページ作成 writes the page of updates where the user says.
class UpdatesWindow final : public QWidget
{
    Q_OBJECT

public:
    UpdatesWindow(Platform& platform, const QStringList& entries, QWidget* parent = nullptr,
                  const UpdateOptions& options = {});
    ~UpdatesWindow() override;

    [[nodiscard]] UpdateChecker& checker() { return m_checker; }
    [[nodiscard]] UpdatesModel& model() { return *m_model; }
    // The list's entries as they are now: the next check looks at these.
    void setListEntries(const QStringList& entries) { m_entries = entries; }
    // A new check of the list, unless one is running.
    void check();

    QTableView* updatesTable = nullptr;
    QProgressBar* updatesProgress = nullptr;
    QLabel* summaryLabel = nullptr;
    QPushButton* checkButton = nullptr;
    QPushButton* stopUpdatesButton = nullptr;
    QCheckBox* updatedOnly = nullptr;
    QPushButton* updatesPageButton = nullptr;
    QSpinBox* timerHours = nullptr; // 0: no timer
    QTimer timer;

protected:
    // Closed, the window stops its check and its timer; opened again, the timer runs again.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showProgress();
    void showFinished(bool cancelled);
    void openRow(const QModelIndex& index);
    void writePage();

    Platform& m_platform;
    QStringList m_entries;
    UpdateChecker m_checker;
    UpdatesModel* m_model;
};

} // namespace siteloom
