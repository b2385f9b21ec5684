#pragma once

#include "checker/linkchecker.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace siteloom {

class Platform;

// The link check of the list as it stood when the window opened: a row per entry, filled in as the
// answers arrive, a progress bar, 中止 to stop at once, a filter for the problems, and the results
// saved as a UTF-8 CSV file. It only reads: the list, the page and the list file stay as they are.
class LinkCheckWindow final : public QWidget
{
    Q_OBJECT

public:
    LinkCheckWindow(Platform& platform, const CheckInputs& inputs, QWidget* parent = nullptr);
    ~LinkCheckWindow() override;

    [[nodiscard]] LinkChecker& checker() { return m_checker; }

    QTableWidget* resultTable = nullptr;
    QProgressBar* checkProgress = nullptr;
    QLabel* summaryLabel = nullptr;
    QCheckBox* problemsOnly = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* saveButton = nullptr;

signals:
    // The user double-clicked the row of this entry (0-based, in list order).
    void entryActivated(int row);

private:
    void showEntry(int row);
    void showFinished(bool cancelled);
    void applyFilter();
    void updateRowVisibility(int row);
    void save();

    Platform& m_platform;
    LinkChecker m_checker;
};

} // namespace siteloom
