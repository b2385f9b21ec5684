#include "checker/plainfetch.h"

#include <QSslConfiguration>
#include <QSslSocket>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

// No real answer's headers come near this.
constexpr qsizetype maxHeaderBytes = 256 * 1024;

} // namespace

PlainFetch::PlainFetch(const QUrl& url, bool head, const QByteArray& userAgent,
                       const QList<QSslCertificate>& extraCaCertificates, const Limits& limits,
                       QObject* parent)
    : QObject(parent), m_socket(new QSslSocket(this)), m_limits(limits), m_head(head)
{
    QByteArray target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty())
        target = "/";
    const QByteArray request = (head ? "HEAD " : "GET ") + target + " HTTP/1.1\r\nHost: " +
                               url.toEncoded(QUrl::RemoveScheme | QUrl::RemovePath | QUrl::RemoveQuery |
                                             QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                                   .sliced(2) +
                               "\r\nUser-Agent: " + userAgent + "\r\nConnection: close\r\n\r\n";
    connect(m_socket, &QSslSocket::readyRead, this, &PlainFetch::take);
    connect(m_socket, &QSslSocket::disconnected, this, [this] {
        take();
        if (m_inBody && m_body == Body::UntilClose)
            end();
        else
            end(u"応答の途中で接続が切れました"_s);
    });
    connect(m_socket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            end(m_socket->errorString());
    });
    m_silence.setSingleShot(true);
    m_total.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        m_answer.timedOut = true;
        end(u"timeout"_s);
    });
    connect(&m_total, &QTimer::timeout, this, [this] {
        m_answer.timedOut = m_answer.overTime = true;
        end(u"timeout"_s);
    });
    m_silence.start(limits.silenceMs);
    m_total.start(limits.totalMs);
    const quint16 port = quint16(url.port(url.scheme() == u"https"_s ? 443 : 80));
    if (url.scheme() == u"https"_s) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(extraCaCertificates);
        m_socket->setSslConfiguration(tls);
        connect(m_socket, &QSslSocket::encrypted, this, [this, request] { m_socket->write(request); });
        m_socket->connectToHostEncrypted(url.host(), port);
    } else {
        connect(m_socket, &QSslSocket::connected, this, [this, request] { m_socket->write(request); });
        m_socket->connectToHost(url.host(), port);
    }
}

void PlainFetch::take()
{
    if (m_done)
        return;
    m_buffer += m_socket->readAll();
    m_silence.start(m_limits.silenceMs);
    while (!m_done && (m_inBody ? readBody() : readHeaders())) {
    }
}

// Takes one answer's status line and headers when they are all there; an informational answer is
// dropped and the next one read. False when more is needed.
bool PlainFetch::readHeaders()
{
    const qsizetype end = m_buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        if (m_buffer.size() > maxHeaderBytes)
            this->end(u"応答のヘッダーが長すぎます"_s);
        return false;
    }
    const QList<QByteArray> lines = m_buffer.first(end).split('\n');
    m_buffer.remove(0, end + 4);
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    bool ok = false;
    const int status = statusLine.value(1).toInt(&ok);
    if (!statusLine.first().startsWith("HTTP/") || !ok) {
        this->end(u"HTTP の応答ではありません"_s);
        return false;
    }
    if (status >= 100 && status <= 199)
        return true;
    m_answer.status = status;
    bool chunked = false;
    for (const QByteArray& line : lines.sliced(1)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.first(std::max<qsizetype>(colon, 0)).trimmed().toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed();
        if (name == "location")
            m_answer.location = value;
        else if (name == "content-type")
            m_answer.contentType = value;
        else if (name == "content-length")
            m_answer.length = value.toLongLong();
        else if (name == "transfer-encoding")
            chunked = value.toLower().contains("chunked");
    }
    m_inBody = true;
    if (m_head || status == 204 || status == 304) {
        m_body = Body::None;
        this->end();
        return false;
    }
    m_body = chunked ? Body::Chunked : m_answer.length >= 0 ? Body::Length : Body::UntilClose;
    m_left = m_body == Body::Length ? m_answer.length : -1;
    return true;
}

// Takes what there is of the body. False when more is needed or the answer is over.
bool PlainFetch::readBody()
{
    const auto keep = [this](qsizetype bytes) {
        m_answer.body += m_buffer.first(bytes);
        m_buffer.remove(0, bytes);
        if (m_answer.body.size() >= m_limits.bodyBytes)
            end();
    };
    if (m_body == Body::Chunked) {
        if (m_left < 0) {
            const qsizetype lineEnd = m_buffer.indexOf("\r\n");
            if (lineEnd < 0)
                return false;
            bool ok = false;
            m_left = m_buffer.first(lineEnd).split(';').first().trimmed().toLongLong(&ok, 16);
            m_buffer.remove(0, lineEnd + 2);
            if (!ok || m_left < 0) {
                end(u"応答の本文が正しくありません"_s);
                return false;
            }
            if (m_left == 0) {
                end();
                return false;
            }
        }
        const qsizetype bytes = std::min<qint64>(m_left, m_buffer.size());
        m_left -= bytes;
        keep(bytes);
        if (m_left > 0 || m_buffer.size() < 2)
            return false;
        m_buffer.remove(0, 2); // the chunk's line end
        m_left = -1;
        return true;
    }
    if (m_body == Body::Length) {
        const qsizetype bytes = std::min<qint64>(m_left, m_buffer.size());
        m_left -= bytes;
        keep(bytes);
        if (m_left == 0)
            end();
        return false;
    }
    keep(m_buffer.size());
    return false;
}

void PlainFetch::end(const QString& error)
{
    if (m_done)
        return;
    m_done = true;
    m_answer.error = error;
    m_silence.stop();
    m_total.stop();
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
    QMetaObject::invokeMethod(this, &PlainFetch::finished, Qt::QueuedConnection);
}

} // namespace siteloom
