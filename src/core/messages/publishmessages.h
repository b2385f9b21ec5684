#pragma once

#include "publish/publishtarget.h"

#include <QString>

namespace siteloom {

// The messages of publishing, worded once for the publish window and the command line.

// The steps of one publish, in their order; each result names the one it stopped at.
enum class PublishStep { Inspect, Upload, Replace, Record, Verify };
[[nodiscard]] QString publishStepName(PublishStep step);

// Why a transfer failed, as the network layer tells it apart.
enum class TransferFailure {
    None,
    Resolve,
    Connect,
    Login,
    Certificate,
    Tls,
    HostKeyUnknown,
    HostKeyChanged,
    AccessDenied,
    DiskFull,
    ConnectionLost,
    Server,
    Other,
};

// The target address cannot be published to.
[[nodiscard]] QString targetProblemMessage(TargetProblem problem);
// A step failed: which, why (the transfer library's own words as detail), and that the page on the
// server was left as it was.
[[nodiscard]] QString publishStepFailedMessage(PublishStep step, TransferFailure failure,
                                               const QString& detail);
// The temporary file could not be removed after a failure: its name, so the owner can remove it.
[[nodiscard]] QString temporaryLeftMessage(const QString& name);
// The server's page was changed since the last publish: refused without the owner's explicit choice.
[[nodiscard]] QString remotePageChangedMessage(const RemotePage& recorded, const RemotePage& now);
// The server's SSH host key is not in known_hosts yet: its fingerprint, to be accepted once.
[[nodiscard]] QString hostKeyUnknownMessage(const QString& host, const QString& fingerprint);
// What a dry run would do.
[[nodiscard]] QString dryRunMessage(const QString& pageName, qint64 size, const QString& target,
                                    const QString& publicUrl);
// The lines of a successful upload, and of its proof.
[[nodiscard]] QString publishedMessage();
[[nodiscard]] QString verifiedMessage();
// No public address is known: the upload was not proved.
[[nodiscard]] QString noPublicUrlMessage();
// The public address could not be fetched.
[[nodiscard]] QString publicFetchFailedMessage(const QString& url, const QString& detail);
// The public address gives other bytes than the page sent: their sizes, and the first byte (counted
// from 1) where they part.
[[nodiscard]] QString publicPageDiffersMessage(const QString& url, qint64 localSize, qint64 publicSize,
                                               qint64 firstDifference);
// The public address declares another charset than the page's.
[[nodiscard]] QString publicCharsetMessage(const QString& url, const QString& charset);
// Asking for a password on the terminal.
[[nodiscard]] QString passwordPrompt(const QString& target);

} // namespace siteloom
