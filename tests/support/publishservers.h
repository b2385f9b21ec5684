#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace siteloom {

// The servers a page is published to, from the system's own packages, each on a free port of
// 127.0.0.1 with a private configuration in a temporary directory: vsftpd (FTP, and FTPS with a
// certificate of a test authority made by openssl; anonymous, writing as the server's user),
// sshd (SFTP, the test's user logging in with a key made for the test), and apache2 (WebDAV with
// a password, over HTTP and HTTPS, and the public address: /pub/ gives the site directory as it is, /stale/
// an old copy, /utf8/ the site declared as UTF-8). They share one site directory. Runs as root or not.
class PublishServers
{
public:
    // Starts them; a server whose program is missing or does not come up is a failure, reported by
    // error(). With a file size limit, vsftpd and sshd run under it (ulimit -f, in bytes).
    explicit PublishServers(qint64 fileSizeLimit = 0);
    ~PublishServers();
    PublishServers(const PublishServers&) = delete;
    PublishServers& operator=(const PublishServers&) = delete;

    [[nodiscard]] QString error() const { return m_error; }
    [[nodiscard]] QString siteDirectory() const;  // where the servers put the page
    [[nodiscard]] QString staleDirectory() const; // what /stale/ serves
    [[nodiscard]] QString caFile() const;
    [[nodiscard]] QString home() const;                         // holds .ssh/id_ed25519 and known_hosts
    [[nodiscard]] QString knownHostsLine() const;               // the host key as known_hosts lists it
    [[nodiscard]] QString hostKeyFingerprint() const;           // as ssh-keygen -l shows it
    [[nodiscard]] QString address(const QString& scheme) const; // ftp, ftps, sftp, http, https: the target
    [[nodiscard]] QString publicUrl(const QString& kind, const QString& page) const; // pub, stale, utf8
    static inline const QString davPassword = QStringLiteral("secret");

private:
    bool run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);
    bool start(const QString& program, const QStringList& arguments, const QList<int>& ports);
    bool writeFile(const QString& name, const QByteArray& content);

    QTemporaryDir m_dir;
    QString m_error;
    qint64 m_fileSizeLimit = 0;
    int m_ftpPort = 0, m_sshPort = 0, m_httpPort = 0, m_httpsPort = 0;
    QString m_ftpRoot; // the path of the FTP root as clients see it
    QString m_user;
    QByteArray m_hostKey, m_fingerprint;
    QList<std::shared_ptr<QProcess>> m_servers;
};

} // namespace siteloom
