#pragma once

#include <QString>

namespace siteloom {

struct FileError;
enum class UpdateStatus;

// The messages of the update check, worded in one place for its window, its page and the command
// line. QtCore only.

// The status as the window's table shows it: 更新, 変化なし, 初回, 不明, エラー.
[[nodiscard]] QString updateStatusText(UpdateStatus status);
// What changed when no feed item names it: the page.
[[nodiscard]] QString updatedPageText();
// The reasons an entry's status is unknown or an error.
[[nodiscard]] QString updateRobotsForbidReason();
[[nodiscard]] QString updateNotHtmlReason();
[[nodiscard]] QString updateNotWebAddressReason();
[[nodiscard]] QString updateHttpStatusReason(int status);
[[nodiscard]] QString updateTooLargeReason();
[[nodiscard]] QString updateTimeoutReason();
[[nodiscard]] QString updateNoAnswerReason(const QString& networkReason);
[[nodiscard]] QString updateMovedText(const QString& url);
// The table's columns: サイト名, 状態, 更新日時, 内容.
[[nodiscard]] QString updateColumnTitle(int column);
// The state could not be written: the next check sees every site as new.
[[nodiscard]] QString updateStateNotWrittenMessage(const FileError& error);
// The updates page's title and its words.
[[nodiscard]] QString updatesPageTitle();
[[nodiscard]] QString updatesPageNotWrittenMessage(const FileError& error);
[[nodiscard]] QString updatesReportNotWrittenMessage(const QString& reason);
// The window's captions.
[[nodiscard]] QString updatesWindowTitle();
[[nodiscard]] QString updatesMenuText();
[[nodiscard]] QString updatesStopCaption();
[[nodiscard]] QString updatesRunCaption();
[[nodiscard]] QString updatedOnlyCaption();
[[nodiscard]] QString updatesPageCaption();
[[nodiscard]] QString updatesTimerCaption();
[[nodiscard]] QString updatesTimerSuffix();
[[nodiscard]] QString updatesProgressText(int done, int total);
// The progress bar once the check has ended, whole or stopped.
[[nodiscard]] QString updatesEndedText(int done, int total, bool cancelled);
[[nodiscard]] QString updatesSummaryText(int entries, int updated, int unknown);
[[nodiscard]] QString updatesPageWrittenMessage(const QString& path);

} // namespace siteloom
