#pragma once

#include "messages/publishmessages.h"
#include "publish/publishtarget.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace siteloom {

// One publish: the page, where it goes, and how to log in and check the server.
struct PublishRequest
{
    PublishTarget target;
    QString password;    // the password, or for SFTP the key's passphrase; never logged
    QString pageName;    // the page's file name, as on the server
    QByteArray page;     // its bytes, as written locally
    QString publicUrl;   // where visitors read it; empty: not proved
    bool force = false;  // overwrite a page changed on the server since the last publish
    bool dryRun = false; // say what would be done; no connection, nothing changed

    // TLS: the certificate authorities trusted besides none; empty for the system's trust store.
    QString caFile;
    // SFTP: the known hosts file (empty: ~/.ssh/known_hosts), the key files tried (empty: the
    // user's id_ed25519, id_ecdsa and id_rsa that exist), and the fingerprint of an unknown host
    // key the user has accepted, which is then added to the known hosts.
    QString knownHosts;
    QStringList keyFiles;
    QString acceptedHostKey;
    // Where the server's page is recorded after each publish (empty: the user's state directory).
    QString recordDirectory;
};

struct PublishResult
{
    enum class Outcome {
        Verified,       // uploaded, and the public address gives its very bytes in its charset
        Unverified,     // uploaded; the public address was not proved (see the lines)
        DryRun,         // nothing done
        RemoteChanged,  // refused: the server's page changed since the last publish
        HostKeyUnknown, // refused until the user accepts hostKeyFingerprint
        Failed,         // a step failed; the server's page is as it was
    };
    Outcome outcome = Outcome::Failed;
    QStringList lines; // what was done, step by step, and the outcome, for the user
    QString hostKeyFingerprint;
};

// Called on the publishing thread as each step starts.
using PublishProgress = std::function<void(PublishStep step, const QString& line)>;

// Uploads the page under a temporary name in the target directory and renames it over the old one,
// checks beforehand that the server's page is the one recorded after the last publish, records the
// new one, and fetches the public address to prove what visitors get. Blocks: the window runs it on
// a thread of its own.
[[nodiscard]] PublishResult publishPage(const PublishRequest& request, const PublishProgress& progress = {});

// The directory the server's pages are recorded in: $XDG_STATE_HOME/siteloom/publish, or
// ~/.local/state/siteloom/publish.
[[nodiscard]] QString publishRecordDirectory();

} // namespace siteloom
