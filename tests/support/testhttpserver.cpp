#include "testhttpserver.h"

#include <QPointer>
#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace siteloom {

TestHttpServer::TestHttpServer(QObject* parent) : QObject(parent) {}

TestHttpServer::~TestHttpServer() = default;

bool TestHttpServer::listen(const QHostAddress& address, const QSslCertificate& certificate,
                            const QSslKey& key)
{
    if (!address.isLoopback())
        return false;
    m_tls = !certificate.isNull();
    if (m_tls) {
        auto* server = new QSslServer(this);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificate);
        tls.setPrivateKey(key);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server->setSslConfiguration(tls);
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &TestHttpServer::accept);
    return m_server->listen(address, 0);
}

QString TestHttpServer::url(const QString& path) const
{
    return u"%1://%2:%3%4"_s.arg(m_tls ? u"https"_s : u"http"_s, m_server->serverAddress().toString())
        .arg(m_server->serverPort())
        .arg(path);
}

void TestHttpServer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket](qint64 bytes) {
            m_bytesSent += bytes;
            // The rest of a long body, a piece at a time once the last one is nearly gone.
            constexpr qint64 piece = 64 * 1024;
            if (socket->property("endless").toBool()) {
                if (socket->bytesToWrite() < piece)
                    socket->write(
                        QByteArray(piece / 16, 'x').prepend("X-Endless: ").append("\r\n").repeated(16));
                return;
            }
            const qint64 left = socket->property("padLeft").toLongLong();
            if (left > 0 && socket->bytesToWrite() < piece) {
                const qint64 size = std::min(left, piece);
                socket->setProperty("padLeft", left - size);
                socket->write(QByteArray(size, ' '));
            }
        });
        readRequests(socket);
    }
}

// Requests come one at a time per connection: the client waits for each answer before the next.
void TestHttpServer::readRequests(QTcpSocket* socket)
{
    QByteArray buffered = socket->property("buffered").toByteArray() + socket->readAll();
    qsizetype end;
    while ((end = buffered.indexOf("\r\n\r\n")) >= 0) {
        const QList<QByteArray> lines = buffered.first(end).split('\n');
        buffered.remove(0, end + 4);
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        if (requestLine.size() < 2)
            continue;
        const QByteArray method = requestLine[0];
        const QString path = QString::fromLatin1(requestLine[1]);
        Request request{method, path, {}};
        for (const QByteArray& line : lines) {
            if (line.toLower().startsWith("user-agent:"))
                m_userAgents.append(line.sliced(11).trimmed());
            if (const qsizetype colon = line.indexOf(':'); colon > 0)
                request.headers.insert(line.first(colon).trimmed().toLower(),
                                       line.sliced(colon + 1).trimmed());
        }
        m_requests.append(QString::fromLatin1(method) + u' ' + path);
        Response response;
        if (m_handler)
            response = m_handler(request);
        else if (m_responses.contains(path))
            response = m_responses.value(path);
        else if (m_hasFallback)
            response = m_fallback;
        else
            response.status = 404;
        if (response.stall)
            continue;
        m_maxInFlight = std::max(m_maxInFlight, ++m_inFlight);
        if (m_load)
            m_load->most = std::max(m_load->most, ++m_load->now);
        if (response.delayMs > 0) {
            QTimer::singleShot(response.delayMs, socket,
                               [this, socket, method, response] { respond(socket, method, response); });
        } else {
            respond(socket, method, response);
        }
    }
    socket->setProperty("buffered", buffered);
}

void TestHttpServer::respond(QTcpSocket* socket, const QByteArray& method, const Response& response)
{
    --m_inFlight;
    if (m_load)
        --m_load->now;
    const bool head = method == "HEAD";
    const int status = head && response.refuseHead ? 405 : response.status;
    QByteArray answer = response.preamble + "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
    if (response.endlessHeaders) {
        socket->setProperty("endless", true);
        socket->write(answer);
        return;
    }
    for (const auto& [name, value] : response.headers)
        answer += name + ": " + value + "\r\n";
    const qint64 length = std::max({qint64(response.body.size()), response.padTo, response.claimed});
    answer += "Content-Length: " + QByteArray::number(length) + "\r\n\r\n";
    if (!head && response.trickleMs > 0) {
        socket->write(answer);
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket,
                [socket, timer, body = response.body, sent = qsizetype(0)]() mutable {
                    if (sent < body.size())
                        socket->write(body.sliced(sent++, 1));
                    else
                        timer->stop();
                });
        timer->start(response.trickleMs);
        return;
    }
    if (!head && response.claimed > 0) {
        socket->write(answer + response.body);
        if (response.cut)
            socket->disconnectFromHost();
        return;
    }
    if (!head) {
        answer += response.body;
        socket->setProperty("padLeft", length - response.body.size());
    }
    socket->write(answer);
}

} // namespace siteloom
