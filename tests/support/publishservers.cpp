#include "publishservers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

int freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return 0;
    return probe.serverPort();
}

bool answers(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    return socket.waitForConnected(200);
}

const bool asRoot = ::geteuid() == 0;

} // namespace

PublishServers::PublishServers(qint64 fileSizeLimit) : m_fileSizeLimit(fileSizeLimit)
{
    const QString d = m_dir.path();
    const passwd* user = ::getpwuid(::geteuid());
    m_user = user ? QString::fromLocal8Bit(user->pw_name) : QString();
    // The servers' own users (www-data as root) must reach the site through these folders.
    QFile::setPermissions(d, QFileDevice::Permissions(0x7755));
    for (const QString& folder :
         {u"root"_s, u"root/site"_s, u"root/stale"_s, u"empty"_s, u"apache"_s, u"home/.ssh"_s})
        QDir(d).mkpath(folder);
    for (const QString& open : {u"root/site"_s, u"apache"_s})
        QFile::setPermissions(d + u'/' + open, QFileDevice::Permissions(0x7777));
    QFile::setPermissions(d + u"/root"_s, QFileDevice::Permissions(0x7755));

    // A certificate authority of the test's own and the servers' certificate from it.
    if (!run(u"openssl"_s, {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s,
                            d + u"/ca.key"_s, u"-out"_s, d + u"/ca.pem"_s, u"-days"_s, u"2"_s, u"-subj"_s,
                            u"/CN=siteloom test authority"_s}) ||
        !run(u"openssl"_s,
             {u"req"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, d + u"/server.key"_s,
              u"-out"_s, d + u"/server.csr"_s, u"-subj"_s, u"/CN=127.0.0.1"_s}) ||
        !writeFile(u"ext"_s, "subjectAltName=IP:127.0.0.1\n") ||
        !run(u"openssl"_s, {u"x509"_s, u"-req"_s, u"-in"_s, d + u"/server.csr"_s, u"-CA"_s, d + u"/ca.pem"_s,
                            u"-CAkey"_s, d + u"/ca.key"_s, u"-CAcreateserial"_s, u"-out"_s,
                            d + u"/server.pem"_s, u"-days"_s, u"2"_s, u"-extfile"_s, d + u"/ext"_s}))
        return;
    // The host key, the user's key and its authorization.
    if (!run(u"ssh-keygen"_s,
             {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, d + u"/host_key"_s}) ||
        !run(u"ssh-keygen"_s,
             {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, d + u"/home/.ssh/id_ed25519"_s}) ||
        !QFile::copy(d + u"/home/.ssh/id_ed25519.pub"_s, d + u"/authorized_keys"_s))
        return;
    QByteArray listing;
    if (!run(u"ssh-keygen"_s, {u"-l"_s, u"-f"_s, d + u"/host_key.pub"_s}, &listing))
        return;
    m_fingerprint = listing.split(' ').value(1);
    QFile hostKey(d + u"/host_key.pub"_s);
    if (!hostKey.open(QIODevice::ReadOnly))
        return;
    m_hostKey = hostKey.readAll().split(' ').mid(0, 2).join(' ');

    m_ftpPort = freePort();
    m_sshPort = freePort();
    m_httpPort = freePort();
    m_httpsPort = freePort();
    const int passive = freePort();
    // As root vsftpd shuts the anonymous user in its root; otherwise it runs as the test's user
    // and the paths are the system's.
    m_ftpRoot = asRoot ? QString() : d + u"/root"_s;
    QByteArray ftp =
        "listen=YES\nlisten_address=127.0.0.1\nbackground=NO\nanonymous_enable=YES\n"
        "local_enable=NO\nwrite_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\n"
        "no_anon_password=YES\nanon_umask=022\nseccomp_sandbox=NO\npasv_enable=YES\n"
        "pasv_address=127.0.0.1\nconnect_from_port_20=NO\nxferlog_enable=NO\nssl_enable=YES\n"
        "allow_anon_ssl=YES\nforce_anon_logins_ssl=NO\nforce_anon_data_ssl=NO\nrequire_ssl_reuse=NO\n";
    ftp += "listen_port=" + QByteArray::number(m_ftpPort) + "\npasv_min_port=" + QByteArray::number(passive) +
           "\npasv_max_port=" + QByteArray::number(passive) + "\nanon_root=" + (d + u"/root"_s).toUtf8() +
           "\nsecure_chroot_dir=" + (d + u"/empty"_s).toUtf8() +
           "\nrsa_cert_file=" + (d + u"/server.pem"_s).toUtf8() +
           "\nrsa_private_key_file=" + (d + u"/server.key"_s).toUtf8() + '\n';
    // The anonymous user must have a home that exists: the web server's user has one.
    ftp += asRoot ? "ftp_username=www-data\nnopriv_user=nobody\n" : "run_as_launching_user=YES\n";
    if (!writeFile(u"vsftpd.conf"_s, ftp))
        return;

    QByteArray ssh = "ListenAddress 127.0.0.1\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                     "PubkeyAuthentication yes\nUsePAM no\nStrictModes no\nPermitRootLogin yes\n"
                     "Subsystem sftp internal-sftp\n";
    ssh += "Port " + QByteArray::number(m_sshPort) + "\nHostKey " + (d + u"/host_key"_s).toUtf8() +
           "\nPidFile " + (d + u"/sshd.pid"_s).toUtf8() + "\nAuthorizedKeysFile " +
           (d + u"/authorized_keys"_s).toUtf8() + '\n';
    if (!writeFile(u"sshd_config"_s, ssh))
        return;
    // sshd wants its privilege separation directory when it starts as root.
    if (asRoot)
        QDir().mkpath(u"/run/sshd"_s);

    const QByteArray sha1 =
        QCryptographicHash::hash(davPassword.toUtf8(), QCryptographicHash::Sha1).toBase64();
    if (!writeFile(u"htpasswd"_s, "me:{SHA}" + sha1 + '\n'))
        return;
    const QByteArray modules = "/usr/lib/apache2/modules/";
    QByteArray http;
    for (const char* module : {"mpm_prefork", "authz_core", "authn_core", "authn_file", "authz_user",
                               "auth_basic", "alias", "mime", "dav", "dav_fs", "socache_shmcb", "ssl"})
        http += "LoadModule " + QByteArray(module) + "_module " + modules + "mod_" + module + ".so\n";
    const QByteArray a = (d + u"/apache"_s).toUtf8();
    const QByteArray r = (d + u"/root"_s).toUtf8();
    http +=
        "ServerRoot " + a + "\nServerName 127.0.0.1\nListen 127.0.0.1:" + QByteArray::number(m_httpPort) +
        "\nPidFile " + a + "/httpd.pid\nErrorLog " + a + "/error.log\nDefaultRuntimeDir " + a +
        "\nMutex file:" + a + "\nDavLockDB " + a + "/davlock\nTypesConfig /etc/mime.types\nStartServers 1\n" +
        (asRoot ? "User www-data\nGroup www-data\n" : "") + "Alias /dav/ " + r + "/site/\nAlias /pub/ " + r +
        "/site/\nAlias /stale/ " + r + "/stale/\nAlias /utf8/ " + r + "/site/\n<Directory " + r +
        ">\n  Require all granted\n</Directory>\n<Location /dav/>\n  Dav On\n  AuthType Basic\n"
        "  AuthName site\n  AuthUserFile " +
        (d + u"/htpasswd"_s).toUtf8() +
        "\n  Require valid-user\n</Location>\n<Location /utf8/>\n  ForceType \"text/html; charset=UTF-8\"\n"
        "</Location>\n";
    // The same over TLS, with the test authority's certificate.
    http += "Listen 127.0.0.1:" + QByteArray::number(m_httpsPort) +
            "\n<VirtualHost 127.0.0.1:" + QByteArray::number(m_httpsPort) +
            ">\n  SSLEngine on\n  SSLCertificateFile " + (d + u"/server.pem"_s).toUtf8() +
            "\n  SSLCertificateKeyFile " + (d + u"/server.key"_s).toUtf8() + "\n</VirtualHost>\n";
    if (!writeFile(u"httpd.conf"_s, http))
        return;

    if (!start(u"/usr/sbin/vsftpd"_s, {d + u"/vsftpd.conf"_s}, {m_ftpPort}) ||
        !start(u"/usr/sbin/sshd"_s, {u"-D"_s, u"-e"_s, u"-f"_s, d + u"/sshd_config"_s}, {m_sshPort}) ||
        !start(u"/usr/sbin/apache2"_s, {u"-f"_s, d + u"/httpd.conf"_s, u"-DFOREGROUND"_s},
               {m_httpPort, m_httpsPort}))
        return;
}

PublishServers::~PublishServers()
{
    for (const std::shared_ptr<QProcess>& server : std::as_const(m_servers)) {
        server->terminate();
        if (!server->waitForFinished(5000))
            server->kill();
    }
    m_servers.clear();
}

bool PublishServers::run(const QString& program, const QStringList& arguments, QByteArray* output)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        m_error = program + u": "_s + QString::fromLocal8Bit(process.readAllStandardError()) +
                  process.errorString();
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

bool PublishServers::start(const QString& program, const QStringList& arguments, const QList<int>& ports)
{
    if (!QFile::exists(program)) {
        m_error = program + u" is not installed (see scripts/lib.sh, test_packages)"_s;
        return false;
    }
    auto process = std::make_shared<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    // A session of its own: vsftpd signals its whole process group as it ends.
    process->setChildProcessModifier([] { ::setsid(); });
    if (m_fileSizeLimit > 0 && !program.endsWith(u"apache2"))
        process->start(u"prlimit"_s, QStringList{u"--fsize=%1"_s.arg(m_fileSizeLimit), program} + arguments);
    else
        process->start(program, arguments);
    m_servers.append(process);
    for (int i = 0; i < 100; ++i) {
        if (std::all_of(ports.begin(), ports.end(), answers))
            return true;
        if (process->state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    m_error = program + u" did not start: "_s + QString::fromLocal8Bit(process->readAll());
    return false;
}

bool PublishServers::writeFile(const QString& name, const QByteArray& content)
{
    QFile file(m_dir.path() + u'/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        m_error = file.fileName() + u": "_s + file.errorString();
        return false;
    }
    return true;
}

QString PublishServers::siteDirectory() const
{
    return m_dir.path() + u"/root/site"_s;
}

QString PublishServers::staleDirectory() const
{
    return m_dir.path() + u"/root/stale"_s;
}

QString PublishServers::caFile() const
{
    return m_dir.path() + u"/ca.pem"_s;
}

QString PublishServers::home() const
{
    return m_dir.path() + u"/home"_s;
}

QString PublishServers::knownHostsLine() const
{
    return u"[127.0.0.1]:%1 %2\n"_s.arg(m_sshPort).arg(QString::fromLatin1(m_hostKey));
}

QString PublishServers::hostKeyFingerprint() const
{
    return QString::fromLatin1(m_fingerprint);
}

QString PublishServers::address(const QString& scheme) const
{
    if (scheme == u"sftp")
        return u"sftp://%1@127.0.0.1:%2%3/"_s.arg(m_user).arg(m_sshPort).arg(siteDirectory());
    if (scheme == u"http")
        return u"http://me@127.0.0.1:%1/dav/"_s.arg(m_httpPort);
    if (scheme == u"https")
        return u"https://me@127.0.0.1:%1/dav/"_s.arg(m_httpsPort);
    return u"%1://anonymous@127.0.0.1:%2%3/site/"_s.arg(scheme).arg(m_ftpPort).arg(m_ftpRoot);
}

QString PublishServers::publicUrl(const QString& kind, const QString& page) const
{
    return u"http://127.0.0.1:%1/%2/%3"_s.arg(m_httpPort).arg(kind, page);
}

} // namespace siteloom
