#include "publisher.h"

#include "text/safewrite.h"
#include "userstate/userstate.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>
#include <QTimeZone>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

bool isFtp(const PublishTarget& target)
{
    return target.protocol == PublishProtocol::Ftp || target.protocol == PublishProtocol::Ftps;
}

bool isDav(const PublishTarget& target)
{
    return target.protocol == PublishProtocol::WebDav || target.protocol == PublishProtocol::WebDavs;
}

QString sha256Fingerprint(const QByteArray& key)
{
    QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toBase64();
    while (hash.endsWith('='))
        hash.chop(1);
    return u"SHA256:"_s + QString::fromLatin1(hash);
}

// How one transfer ended.
struct Transfer
{
    CURLcode code = CURLE_OK;
    long response = 0;
    QString detail;
    QByteArray body;
    QByteArray contentType;
    long long fileTime = -1;

    bool ok() const { return code == CURLE_OK; }
};

// One connection to the server, reused by every step; each step starts from a reset handle.
class Session
{
public:
    explicit Session(const PublishRequest& request) : m_request(request)
    {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        m_curl = curl_easy_init();
    }
    ~Session()
    {
        curl_easy_cleanup(m_curl);
        freeLists();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The server's page: its bytes and time, or absent.
    Transfer fetch(const QByteArray& url, bool toServer)
    {
        prepare(url, toServer);
        curl_easy_setopt(m_curl, CURLOPT_FILETIME, 1L);
        if (!toServer) {
            curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
            curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 5L);
            m_headers = curl_slist_append(m_headers, "Cache-Control: no-cache");
            m_headers = curl_slist_append(m_headers, "Pragma: no-cache");
            curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_headers);
        }
        return perform();
    }

    Transfer upload(const QByteArray& url, const QByteArray& bytes)
    {
        prepare(url, true);
        m_upload = bytes;
        m_uploaded = 0;
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(bytes.size()));
        curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, &Session::readUpload);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, this);
        return perform();
    }

    // Commands sent after logging in, with nothing transferred (FTP and SFTP).
    Transfer commands(const QList<QByteArray>& lines)
    {
        prepare(targetDirectoryUrl(m_request.target), true);
        for (const QByteArray& line : lines)
            m_quote = curl_slist_append(m_quote, line.constData());
        curl_easy_setopt(m_curl, CURLOPT_QUOTE, m_quote);
        curl_easy_setopt(m_curl, CURLOPT_NOBODY, 1L);
        return perform();
    }

    // An HTTP method without a body (WebDAV's MOVE and DELETE).
    Transfer method(const char* name, const QByteArray& url, const QList<QByteArray>& headers)
    {
        prepare(url, true);
        curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, name);
        for (const QByteArray& header : headers)
            m_headers = curl_slist_append(m_headers, header.constData());
        curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, m_headers);
        return perform();
    }

    // The next step opens a new connection: the one a failure left may be dead without knowing it.
    void reconnect() { m_fresh = true; }

    QString seenHostKey() const { return m_seenHostKey; }
    TransferFailure hostKeyFailure() const { return m_hostKeyFailure; }

private:
    void prepare(const QByteArray& url, bool toServer)
    {
        curl_easy_reset(m_curl);
        freeLists();
        m_url = url;
        curl_easy_setopt(m_curl, CURLOPT_URL, m_url.constData());
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        if (std::exchange(m_fresh, false))
            curl_easy_setopt(m_curl, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_ERRORBUFFER, m_error);
        curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &Session::writeBody);
        curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, 30L);
        // A server that stops sending for a minute is taken as gone.
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, 60L);
        if (!m_request.caFile.isEmpty())
            curl_easy_setopt(m_curl, CURLOPT_CAINFO, QFile::encodeName(m_request.caFile).constData());
        m_body.clear();
        m_error[0] = 0;
        if (!toServer)
            return;
        const PublishTarget& target = m_request.target;
        m_user = target.user.toUtf8();
        m_password = m_request.password.toUtf8();
        curl_easy_setopt(m_curl, CURLOPT_USERNAME, m_user.constData());
        if (target.protocol == PublishProtocol::Ftps)
            curl_easy_setopt(m_curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        if (isDav(target)) {
            curl_easy_setopt(m_curl, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
            curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_password.constData());
        } else if (target.protocol == PublishProtocol::Sftp) {
            prepareSsh();
        } else {
            curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_password.constData());
        }
    }

    void prepareSsh()
    {
        const QString home = QDir::homePath();
        m_knownHosts = QFile::encodeName(m_request.knownHosts.isEmpty() ? home + u"/.ssh/known_hosts"_s
                                                                        : m_request.knownHosts);
        QDir().mkpath(QFileInfo(QFile::decodeName(m_knownHosts)).absolutePath());
        curl_easy_setopt(m_curl, CURLOPT_SSH_KNOWNHOSTS, m_knownHosts.constData());
        curl_easy_setopt(m_curl, CURLOPT_SSH_KEYFUNCTION, &Session::checkHostKey);
        curl_easy_setopt(m_curl, CURLOPT_SSH_KEYDATA, this);
        QStringList keys = m_request.keyFiles;
        if (keys.isEmpty()) {
            for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
                const QString path = home + u"/.ssh/"_s + QLatin1StringView(name);
                if (QFile::exists(path))
                    keys.append(path);
            }
        }
        long types = CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
        if (!keys.isEmpty()) {
            types |= CURLSSH_AUTH_PUBLICKEY;
            m_keyFile = QFile::encodeName(keys.first());
            curl_easy_setopt(m_curl, CURLOPT_SSH_PRIVATE_KEYFILE, m_keyFile.constData());
            curl_easy_setopt(m_curl, CURLOPT_KEYPASSWD, m_password.constData());
        }
        if (qEnvironmentVariableIsEmpty("SSH_AUTH_SOCK"))
            types &= ~CURLSSH_AUTH_AGENT;
        curl_easy_setopt(m_curl, CURLOPT_SSH_AUTH_TYPES, types);
        curl_easy_setopt(m_curl, CURLOPT_PASSWORD, m_password.constData());
    }

    Transfer perform()
    {
        Transfer transfer;
        transfer.code = curl_easy_perform(m_curl);
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &transfer.response);
        // HTTP's errors are answers like any other: told apart here.
        if (transfer.code == CURLE_OK && transfer.response >= 400 && m_url.startsWith("http"))
            transfer.code = CURLE_HTTP_RETURNED_ERROR;
        transfer.detail = QString::fromUtf8(m_error[0] ? m_error : curl_easy_strerror(transfer.code));
        if (transfer.code == CURLE_HTTP_RETURNED_ERROR)
            transfer.detail = u"HTTP %1"_s.arg(transfer.response);
        transfer.body = m_body;
        const char* type = nullptr;
        if (curl_easy_getinfo(m_curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
            transfer.contentType = type;
        curl_off_t time = -1;
        if (curl_easy_getinfo(m_curl, CURLINFO_FILETIME_T, &time) == CURLE_OK)
            transfer.fileTime = time;
        return transfer;
    }

    void freeLists()
    {
        curl_slist_free_all(m_headers);
        curl_slist_free_all(m_quote);
        m_headers = nullptr;
        m_quote = nullptr;
    }

    static size_t writeBody(char* data, size_t size, size_t count, void* self)
    {
        static_cast<Session*>(self)->m_body.append(data, qsizetype(size * count));
        return size * count;
    }

    static size_t readUpload(char* buffer, size_t size, size_t count, void* self)
    {
        Session* session = static_cast<Session*>(self);
        const qsizetype n =
            std::min<qsizetype>(qsizetype(size * count), session->m_upload.size() - session->m_uploaded);
        std::memcpy(buffer, session->m_upload.constData() + session->m_uploaded, size_t(n));
        session->m_uploaded += n;
        return size_t(n);
    }

    static int checkHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                            void* self)
    {
        Q_UNUSED(known)
        Session* session = static_cast<Session*>(self);
        const QByteArray raw = found->len > 0 ? QByteArray(found->key, qsizetype(found->len))
                                              : QByteArray::fromBase64(QByteArray(found->key));
        session->m_seenHostKey = sha256Fingerprint(raw);
        switch (match) {
        case CURLKHMATCH_OK:
            return CURLKHSTAT_FINE;
        case CURLKHMATCH_MISSING:
            if (!session->m_request.acceptedHostKey.isEmpty() &&
                session->m_request.acceptedHostKey == session->m_seenHostKey)
                return CURLKHSTAT_FINE_ADD_TO_FILE;
            session->m_hostKeyFailure = TransferFailure::HostKeyUnknown;
            return CURLKHSTAT_REJECT;
        default:
            session->m_hostKeyFailure = TransferFailure::HostKeyChanged;
            return CURLKHSTAT_REJECT;
        }
    }

    const PublishRequest& m_request;
    CURL* m_curl = nullptr;
    curl_slist* m_headers = nullptr;
    curl_slist* m_quote = nullptr;
    QByteArray m_url, m_user, m_password, m_knownHosts, m_keyFile;
    QByteArray m_body, m_upload;
    qsizetype m_uploaded = 0;
    bool m_fresh = false;
    char m_error[CURL_ERROR_SIZE] = {};
    QString m_seenHostKey;
    TransferFailure m_hostKeyFailure = TransferFailure::None;
};

TransferFailure failureOf(const Transfer& transfer, const Session& session)
{
    if (session.hostKeyFailure() != TransferFailure::None)
        return session.hostKeyFailure();
    switch (transfer.code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return TransferFailure::Resolve;
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
        return TransferFailure::Connect;
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return TransferFailure::Login;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return TransferFailure::Certificate;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
        return TransferFailure::Tls;
    case CURLE_REMOTE_DISK_FULL:
        return TransferFailure::DiskFull;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
        return TransferFailure::ConnectionLost;
    case CURLE_REMOTE_ACCESS_DENIED:
        return TransferFailure::AccessDenied;
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
        if (transfer.response == 401)
            return TransferFailure::Login;
        if (transfer.response == 403 || transfer.response == 550 || transfer.response == 553)
            return TransferFailure::AccessDenied;
        if (transfer.response == 507 || transfer.response == 552 || transfer.response == 452)
            return TransferFailure::DiskFull;
        return TransferFailure::Server;
    default:
        return TransferFailure::Other;
    }
}

bool isAbsent(const Transfer& transfer)
{
    return transfer.code == CURLE_REMOTE_FILE_NOT_FOUND ||
           (transfer.code == CURLE_HTTP_RETURNED_ERROR && transfer.response == 404) ||
           (transfer.code == CURLE_FTP_COULDNT_RETR_FILE && transfer.response == 550);
}

RemotePage pageOf(const Transfer& transfer)
{
    RemotePage page;
    if (!transfer.ok())
        return page;
    page.exists = true;
    page.size = transfer.body.size();
    page.sha256 = QCryptographicHash::hash(transfer.body, QCryptographicHash::Sha256);
    if (transfer.fileTime >= 0)
        page.modified = QDateTime::fromSecsSinceEpoch(transfer.fileTime, Qt::UTC);
    return page;
}

QByteArray remotePath(const PublishTarget& target, const QString& name)
{
    return (target.directory + name).toUtf8();
}

// The temporary file is removed after a failure where the server lets us.
bool removeTemporary(Session& session, const PublishRequest& request, const QString& name)
{
    const PublishTarget& target = request.target;
    session.reconnect();
    Transfer removed;
    if (isDav(target))
        removed = session.method("DELETE", targetFileUrl(target, name), {});
    else if (isFtp(target))
        removed = session.commands({"DELE " + remotePath(target, name)});
    else
        removed = session.commands({"rm \"" + remotePath(target, name) + '"'});
    return removed.ok() || isAbsent(removed);
}

QString recordPath(const PublishRequest& request)
{
    const QString directory =
        request.recordDirectory.isEmpty() ? publishRecordDirectory() : request.recordDirectory;
    return directory + u'/' + remotePageRecordName(targetAddress(request.target), request.pageName);
}

std::optional<RemotePage> readRecord(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseRemotePage(file.read(4096));
}

bool writeRecord(const QString& path, const RemotePage& page, QString* reason)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    FileError error;
    const QByteArray text = formatRemotePage(page);
    const bool ok = writeFileSafely(
        path,
        [&text](QIODevice& device) {
            WriteResult result;
            result.ok = device.write(text) == text.size();
            return result;
        },
        &error);
    if (!ok)
        *reason = error.reason;
    return ok;
}

} // namespace

QString publishRecordDirectory()
{
    return stateDirectory() + u"/publish"_s;
}

PublishResult publishPage(const PublishRequest& request, const PublishProgress& progress)
{
    PublishResult result;
    const PublishTarget& target = request.target;
    const QString address = targetAddress(target);
    const auto step = [&](PublishStep which) {
        const QString line = publishStepName(which) + u"…"_s;
        result.lines.append(line);
        if (progress)
            progress(which, line);
    };
    const auto fail = [&](PublishStep which, TransferFailure failure, const QString& detail) {
        result.outcome = PublishResult::Outcome::Failed;
        result.lines.append(publishStepFailedMessage(which, failure, detail));
        return result;
    };

    if (request.dryRun) {
        result.outcome = PublishResult::Outcome::DryRun;
        result.lines.append(dryRunMessage(request.pageName, request.page.size(), address, request.publicUrl));
        return result;
    }

    Session session(request);
    const QByteArray pageUrl = targetFileUrl(target, request.pageName);

    step(PublishStep::Inspect);
    const Transfer before = session.fetch(pageUrl, true);
    if (!before.ok() && !isAbsent(before)) {
        const TransferFailure failure = failureOf(before, session);
        if (failure == TransferFailure::HostKeyUnknown) {
            result.outcome = PublishResult::Outcome::HostKeyUnknown;
            result.hostKeyFingerprint = session.seenHostKey();
            result.lines.append(hostKeyUnknownMessage(target.host, session.seenHostKey()));
            return result;
        }
        return fail(PublishStep::Inspect, failure, before.detail);
    }
    const RemotePage now = pageOf(before);
    const QString record = recordPath(request);
    if (const std::optional<RemotePage> recorded = readRecord(record);
        recorded && !remotePageUnchanged(*recorded, now) && !request.force) {
        result.outcome = PublishResult::Outcome::RemoteChanged;
        result.lines.append(remotePageChangedMessage(*recorded, now));
        return result;
    }

    step(PublishStep::Upload);
    const QString temporary = temporaryUploadName(request.pageName, QRandomGenerator::system()->generate64());
    const Transfer uploaded = session.upload(targetFileUrl(target, temporary), request.page);
    const auto failAndClean = [&](PublishStep which, const Transfer& transfer) {
        fail(which, failureOf(transfer, session), transfer.detail);
        if (!removeTemporary(session, request, temporary))
            result.lines.append(temporaryLeftMessage(temporary));
        return result;
    };
    if (!uploaded.ok())
        return failAndClean(PublishStep::Upload, uploaded);

    step(PublishStep::Replace);
    Transfer replaced;
    if (isDav(target)) {
        replaced = session.method("MOVE", targetFileUrl(target, temporary),
                                  {"Destination: " + pageUrl, "Overwrite: T"});
    } else if (isFtp(target)) {
        replaced = session.commands(
            {"RNFR " + remotePath(target, temporary), "RNTO " + remotePath(target, request.pageName)});
    } else {
        // The SFTP server does not rename over an existing file: the old page goes just before,
        // leaving a moment without a page, never half of one. A page already gone is no failure.
        replaced = session.commands({"*rm \"" + remotePath(target, request.pageName) + '"',
                                     "rename \"" + remotePath(target, temporary) + "\" \"" +
                                         remotePath(target, request.pageName) + '"'});
    }
    if (!replaced.ok())
        return failAndClean(PublishStep::Replace, replaced);

    step(PublishStep::Record);
    const Transfer after = session.fetch(pageUrl, true);
    QString reason;
    if (!after.ok())
        reason = after.detail;
    else if (!writeRecord(record, pageOf(after), &reason))
        reason = QDir::toNativeSeparators(record) + u": "_s + reason;
    result.lines.append(publishedMessage());
    if (!reason.isEmpty()) {
        result.outcome = PublishResult::Outcome::Unverified;
        result.lines.append(publishStepFailedMessage(PublishStep::Record, TransferFailure::Other, reason));
        return result;
    }

    result.outcome = PublishResult::Outcome::Unverified;
    if (request.publicUrl.isEmpty()) {
        result.lines.append(noPublicUrlMessage());
        return result;
    }
    step(PublishStep::Verify);
    const Transfer visible = session.fetch(QUrl(request.publicUrl).toEncoded(), false);
    if (!visible.ok()) {
        result.lines.append(publicFetchFailedMessage(request.publicUrl, visible.detail));
        return result;
    }
    bool verified = true;
    if (visible.body != request.page) {
        verified = false;
        const auto parted =
            std::mismatch(request.page.begin(), request.page.end(), visible.body.begin(), visible.body.end());
        result.lines.append(publicPageDiffersMessage(request.publicUrl, request.page.size(),
                                                     visible.body.size(),
                                                     parted.first - request.page.begin() + 1));
    }
    if (const QString charset = declaredCharset(visible.contentType); !charsetFitsPage(charset)) {
        verified = false;
        result.lines.append(publicCharsetMessage(request.publicUrl, charset));
    }
    if (verified) {
        result.outcome = PublishResult::Outcome::Verified;
        result.lines.append(verifiedMessage());
    }
    return result;
}

} // namespace siteloom
