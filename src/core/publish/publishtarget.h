#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace siteloom {

// Where the page is published: one address with the user in it, such as ftp://me@host/dir/,
// ftps://me@host/dir/, sftp://me@host/absolute/dir/ or https://me@host/dav/dir/ (WebDAV).
enum class PublishProtocol { Ftp, Ftps, Sftp, WebDav, WebDavs };

struct PublishTarget
{
    PublishProtocol protocol = PublishProtocol::Ftp;
    QString user;
    QString host;      // a name or an address; an IPv6 one without brackets
    int port = -1;     // -1: the protocol's own
    QString directory; // absolute, ending in "/"
};

// Why an address cannot be published to; None when it can.
enum class TargetProblem { None, Empty, UnknownScheme, NoHost, NoUser, PasswordInAddress, NotDirectory };

// Reads the address; on a problem gives nothing and sets *problem.
[[nodiscard]] std::optional<PublishTarget> parsePublishTarget(const QString& address, TargetProblem* problem);

// The address of a file in the target's directory, as the transfer library takes it (percent-encoded
// path, no user, no password).
[[nodiscard]] QByteArray targetFileUrl(const PublishTarget& target, const QString& fileName);
// The same directory, for commands that name their files themselves.
[[nodiscard]] QByteArray targetDirectoryUrl(const PublishTarget& target);
// The target written back as the user gives it, with the user in it.
[[nodiscard]] QString targetAddress(const PublishTarget& target);

// The name the page is uploaded under before it takes its own, in the same directory: hidden,
// marked as ours and unique per run, so that it never stands for a page and never meets another.
[[nodiscard]] QString temporaryUploadName(const QString& pageName, quint64 nonce);

// What the server showed of its page: absent, or its size, its time (when the protocol gives one)
// and the sha256 of its bytes.
struct RemotePage
{
    bool exists = false;
    qint64 size = -1;
    QDateTime modified; // invalid when unknown
    QByteArray sha256;  // raw bytes
};

// Whether the page on the server is still the one recorded after the last publish. A page gone
// since is no change to protect; a page whose bytes differ is, whatever its size and time say.
[[nodiscard]] bool remotePageUnchanged(const RemotePage& recorded, const RemotePage& now);

// The record kept in the state directory: key=value lines, read back leniently (an unreadable
// record is no record).
[[nodiscard]] QByteArray formatRemotePage(const RemotePage& page);
[[nodiscard]] std::optional<RemotePage> parseRemotePage(const QByteArray& text);
// The record's file name for one page at one target (the address may hold anything: hashed).
[[nodiscard]] QString remotePageRecordName(const QString& targetAddress, const QString& pageName);

// The charset a Content-Type value declares, lower-cased; empty when none.
[[nodiscard]] QString declaredCharset(const QByteArray& contentType);
// Whether a declared charset is one of the names of the page's own (Shift_JIS, which browsers take
// as Windows-31J). An undeclared one is not a mismatch: the page names its own.
[[nodiscard]] bool charsetFitsPage(const QString& charset);

// Where the target and the public address are kept in the settings (section "publish"), one pair
// per base directory: the key names the directory by a hash, as a settings key cannot hold a path.
inline constexpr QStringView publishSettingsSection = u"publish";
enum class PublishSetting { Target, PublicUrl };
[[nodiscard]] QString publishSettingKey(const QString& baseDirectory, PublishSetting setting);

} // namespace siteloom
