#pragma once

#include "checker/linkchecker.h"

#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

namespace siteloom {

class CheckResultModel;
class Platform;
class ProblemFilter;

// The link check of the list: a row per entry, filled in as the answers arrive, a progress bar,
// 中止 to stop at once, a filter for what needs action, and the results saved as a UTF-8 CSV file.
// Each row stays tied to the entry line it checked: the owner tells the window the list as it is
// now (setListEntries) and rows whose entry is gone or changed say so. The window never edits the
// list itself; re-checking and moving entries to their new addresses are asked of the owner.
class LinkCheckWindow final : public QWidget
{
    Q_OBJECT

public:
    LinkCheckWindow(Platform& platform, const CheckInputs& inputs, QWidget* parent = nullptr);
    ~LinkCheckWindow() override;

    [[nodiscard]] LinkChecker& checker() { return m_checker; }

    // The list's entries as they are now.
    void setListEntries(const QStringList& entries);
    // A new check of these inputs, all of the entries, or only those whose result needs action
    // when the filter shows only those. The list's entries are the inputs' own.
    void recheck(const CheckInputs& inputs);
    // Some row's entry is gone from the list or changed since it was checked.
    [[nodiscard]] bool hasStaleResults() const;

    QTableView* resultTable = nullptr;
    QProgressBar* checkProgress = nullptr;
    QLabel* summaryLabel = nullptr;
    QLabel* resultsStale = nullptr;
    QCheckBox* problemsOnly = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* recheckButton = nullptr;
    QPushButton* updateUrlButton = nullptr;
    QPushButton* saveButton = nullptr;
    QAction* updateUrlAction = nullptr;

signals:
    // The user opened the result of this entry (double-click or Enter): its line and its row
    // (0-based) in the list when it was checked. The list may have changed since.
    void entryActivated(const QString& entry, int row);
    // 再確認: the owner answers with recheck().
    void recheckRequested();
    // 新しいアドレスに更新: each entry line (found near its row) is to read its new line instead,
    // all as one step.
    void urlUpdateRequested(const QStringList& entries, const QList<int>& rows, const QStringList& updated);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void start(const CheckInputs& inputs, const QList<int>& listRows);
    void showEntry(int row);
    void showFinished(bool cancelled);
    void showSummary();
    void updateActions();
    void activateRow(const QModelIndex& index);
    void updateSelectedUrls();
    int fitColumns();
    void save();

    Platform& m_platform;
    LinkChecker m_checker;
    CheckResultModel* m_model = nullptr;
    ProblemFilter* m_filter = nullptr;
    // Per result row: the entry line checked, its row in the list then, and the line it was updated
    // to (empty when it was not).
    QStringList m_lines;
    QList<int> m_listRows;
    QStringList m_updated;
    QStringList m_listEntries;
    bool m_finished = false;
    bool m_cancelled = false;
};

} // namespace siteloom
