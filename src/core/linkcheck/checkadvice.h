#pragma once

#include "linkcheck/checkresult.h"

#include <QString>
#include <QStringView>

namespace siteloom {

// What an entry's result asks of the user, in the kinds the window counts: a result may be of
// several at once (a dead banner on a site that no longer links back).
struct CheckFindings
{
    bool dead = false;        // リンク切れ: the site or the banner is gone or cannot be an address
    bool needsUpdate = false; // 要更新: moved for good, or the banner is still the placeholder
    bool noBacklink = false;  // 相互リンクなし: the partner's page was read and does not link back
    bool unconfirmed = false; // 確認できず: no answer in time, or the partner's page could not be read

    [[nodiscard]] bool any() const { return dead || needsUpdate || noBacklink || unconfirmed; }
};

// A banner that is still the one put in for an entry typed without a banner.
[[nodiscard]] bool isPlaceholderBanner(QStringView url);

[[nodiscard]] CheckFindings checkFindings(const EntryCheck& entry);

// A status cell of the window in plain words, and its tooltip: the address and what the server said.
[[nodiscard]] QString urlStatusText(const UrlCheck& check, bool banner);
[[nodiscard]] QString urlStatusDetail(const UrlCheck& check);
[[nodiscard]] QString backlinkStatusText(BacklinkStatus status);

// One line of advice for each thing the user can do something about, most urgent first.
[[nodiscard]] QStringList checkAdvice(const EntryCheck& entry);

// The entry's line with each address that moved for good put where it points now; empty when
// nothing moved (a placeholder banner has no new address to take).
[[nodiscard]] QString updatedEntry(QStringView line, const EntryCheck& entry);

// The window's words.
struct CheckCounts
{
    int checked = 0;
    int dead = 0;
    int needsUpdate = 0;
    int noBacklink = 0;
    int unconfirmed = 0;

    void add(const CheckFindings& findings);
};
[[nodiscard]] QString checkSummary(const CheckCounts& counts, qsizetype entries, bool finished,
                                   bool cancelled);
[[nodiscard]] QString staleResultText();
[[nodiscard]] QString staleResultsNotice();
[[nodiscard]] QString updatedResultText();
[[nodiscard]] QString uncheckedAfterStopText();
[[nodiscard]] QString updateUrlUndoText();
[[nodiscard]] QString checkCsvSavedMessage(const QString& path);

} // namespace siteloom
