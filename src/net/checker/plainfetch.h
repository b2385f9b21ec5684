#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QString>
#include <QTimer>
#include <QUrl>

class QSslSocket;

namespace siteloom {

// One HTTP/1.1 request read by hand, for the answers Qt's own client takes for the final one: an
// informational answer (103 Early Hints, say) before it. Those are passed over as browsers pass
// them over. The connection is used once and closed.
class PlainFetch final : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        qint64 bodyBytes = 0; // read no further than this; the answer then counts as whole
        int silenceMs = 0;
        int totalMs = 0;
    };
    struct Answer
    {
        int status = 0; // 0 when none came
        QByteArray location;
        QByteArray contentType;
        qint64 length = -1; // as the header gives it
        QByteArray body;
        bool timedOut = false;
        bool overTime = false; // the total limit, not silence
        QString error;         // why no whole answer came, when none did
    };

    PlainFetch(const QUrl& url, bool head, const QByteArray& userAgent,
               const QList<QSslCertificate>& extraCaCertificates, const Limits& limits,
               QObject* parent = nullptr);

    [[nodiscard]] const Answer& answer() const { return m_answer; }

signals:
    void finished();

private:
    void take();
    [[nodiscard]] bool readHeaders();
    [[nodiscard]] bool readBody();
    void end(const QString& error = {});

    QSslSocket* m_socket;
    Limits m_limits;
    bool m_head;
    QByteArray m_buffer;
    Answer m_answer;
    enum class Body { None, Length, Chunked, UntilClose } m_body = Body::None;
    bool m_inBody = false;
    qint64 m_left = 0; // of the body or of the current chunk
    bool m_done = false;
    QTimer m_silence;
    QTimer m_total;
};

} // namespace siteloom
