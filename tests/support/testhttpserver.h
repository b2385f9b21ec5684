#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace siteloom {

// A small HTTP/1.1 server for tests and the benchmark, on a loopback address only. It answers the
// paths it was given (anything else with 404), keeps connections alive, and counts what it was asked.
class TestHttpServer final : public QObject
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers; // Content-Length is added
        QByteArray body;
        int delayMs = 0;         // before the answer
        bool stall = false;      // never answers
        bool refuseHead = false; // answers HEAD with 405
        // A body this long, the given one followed by spaces, written only as fast as the client
        // takes it: a client that stops early is not sent the rest.
        qint64 padTo = 0;
        // Hostile answers. Written before the answer itself (an informational answer, say).
        QByteArray preamble = {};
        // The body one byte at a time, this many milliseconds apart.
        int trickleMs = 0;
        // Content-Length claims this many bytes, more than the body has; after the body the
        // connection is closed when cut, else left open with nothing more sent.
        qint64 claimed = 0;
        bool cut = false;
        // Header lines without end, as fast as the client takes them.
        bool endlessHeaders = false;

        // This status and body, with a Content-Type when one is given.
        static Response of(int status, const QByteArray& body = {}, const QByteArray& type = {})
        {
            Response response{status, {}, body, 0, false, false};
            if (!type.isEmpty())
                response.headers.append({"Content-Type", type});
            return response;
        }
        // A request taken and never answered.
        static Response stalling() { return Response{200, {}, {}, 0, true, false}; }
    };
    // Requests being answered at one moment, counted over every server that shares it.
    struct Load
    {
        int now = 0;
        int most = 0;
    };

    explicit TestHttpServer(QObject* parent = nullptr);
    ~TestHttpServer() override;

    // Listens on the loopback address (127.0.0.1 unless another is given) on a free port; with a
    // certificate and key, speaks HTTPS.
    [[nodiscard]] bool listen(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost),
                              const QSslCertificate& certificate = QSslCertificate(),
                              const QSslKey& key = QSslKey());
    [[nodiscard]] QString url(const QString& path) const; // path starts with "/"

    void answer(const QString& path, const Response& response) { m_responses.insert(path, response); }
    // A request as it came: the method, the path and the header lines (names in lower case).
    struct Request
    {
        QByteArray method;
        QString path;
        QHash<QByteArray, QByteArray> headers;
    };
    // Answers every request itself, instead of the answers given by path: for a site that changes
    // between requests or answers by the request's headers.
    void answerWith(std::function<Response(const Request&)> handler) { m_handler = std::move(handler); }
    // Every path not given: this answer instead of 404.
    void answerAll(const Response& response)
    {
        m_fallback = response;
        m_hasFallback = true;
    }

    // What was asked: "METHOD /path" per request, in order of arrival.
    [[nodiscard]] const QStringList& requests() const { return m_requests; }
    [[nodiscard]] const QList<QByteArray>& userAgents() const { return m_userAgents; }
    // The most requests it was answering at one moment.
    [[nodiscard]] int maxInFlight() const { return m_maxInFlight; }
    void shareLoad(Load* load) { m_load = load; }
    // The bytes the system took to send, over every connection.
    [[nodiscard]] qint64 bytesSent() const { return m_bytesSent; }

private:
    void accept();
    void readRequests(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QByteArray& method, const Response& response);

    QTcpServer* m_server = nullptr;
    QHash<QString, Response> m_responses;
    std::function<Response(const Request&)> m_handler;
    Response m_fallback;
    bool m_hasFallback = false;
    QStringList m_requests;
    QList<QByteArray> m_userAgents;
    int m_inFlight = 0;
    int m_maxInFlight = 0;
    Load* m_load = nullptr;
    qint64 m_bytesSent = 0;
    bool m_tls = false;
};

} // namespace siteloom
