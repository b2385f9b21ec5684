#pragma once

#include "checker/linkchecker.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace siteloom {

class CheckResultModel;
class Platform;
class ProblemFilter;

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

    QTableView* resultTable = nullptr;
    QProgressBar* checkProgress = nullptr;
    QLabel* summaryLabel = nullptr;
    QCheckBox* problemsOnly = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* saveButton = nullptr;

signals:
    // The user double-clicked the result of this entry: its line and its row (0-based) in the list
    // as it stood when the check began. The list may have changed since.
    void entryActivated(const QString& entry, int row);

private:
    void showEntry(int row);
    void showFinished(bool cancelled);
    void save();

    Platform& m_platform;
    LinkChecker m_checker;
    CheckResultModel* m_model = nullptr;
    ProblemFilter* m_filter = nullptr;
};

} // namespace siteloom
