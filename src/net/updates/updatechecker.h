#pragma once

#include "checker/hostqueue.h"
#include "robots/robotsrules.h"
#include "text/safewrite.h"
#include "updates/updateresult.h"
#include "updates/updatestate.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace siteloom {

struct UpdateOptions
{
    int timeoutMs = 15000;      // per request, reset whenever data arrives
    int totalMs = 0;            // per request, body included; 0 for four times timeoutMs
    int jobs = 8;               // sites looked at once, in all
    int perHost = 2;            // connections to one host
    int longestWaitMs = 120000; // the longest Retry-After waited for; a longer one is an error
    QString stateFile;          // empty for updateStatePath()
};

// Looks at every entry's site for a change since the last check, in list order as far as the limits
// let it: the site's feed (remembered, else announced by the page or one of its frames), else the
// page asked for with the validators of its last answer (a 304 is no change), else the page's
// visible text without its noise. robots.txt is read once per host and run and honoured; a 429 or
// 503 with Retry-After is asked again after the wait. Redirects are followed. The state is written
// at the end, also when stopped, for the sites that were looked at.
class UpdateChecker final : public QObject
{
    Q_OBJECT

public:
    explicit UpdateChecker(QNetworkAccessManager* manager = nullptr, QObject* parent = nullptr);
    ~UpdateChecker() override;

    void setOptions(const UpdateOptions& options) { m_options = options; }
    // Starts a check of the list's entries; entryChecked and finished follow from the event loop.
    void start(const QStringList& entries);
    // Stops at once: every request is aborted, the state of the sites looked at is written and
    // finished(true) is emitted.
    void cancel();
    [[nodiscard]] bool isRunning() const { return m_running; }

    [[nodiscard]] const QList<UpdateResult>& results() const { return m_results; }
    [[nodiscard]] int checkedCount() const { return m_checked; }
    // Whether the state was written at the end of the last check, and why not.
    [[nodiscard]] bool stateWritten() const { return m_stateWritten; }
    [[nodiscard]] const FileError& stateError() const { return m_stateError; }

signals:
    void entryChecked(int row);
    void finished(bool cancelled);

private:
    struct Job;
    struct Answer;
    void pump();
    void begin(int row);
    void readPage(int row, bool conditional);
    void readFrames(int row, const QStringList& frames, qsizetype next);
    void readFeed(int row, const QString& feed, bool conditional, bool remembered);
    void judgePage(int row);
    void finish(int row, UpdateStatus status, const QString& reason = {});
    void finishLook(int row, const SiteLook& look);
    void get(int row, const QString& url, const QList<std::pair<QByteArray, QByteArray>>& headers,
             std::function<void(const Answer&)> then, int retries = 0);
    void whenRobotsKnown(const QString& url, std::function<void(bool allowed)> then);
    void end(bool cancelled);

    QNetworkAccessManager* m_manager;
    UpdateOptions m_options;
    QList<UpdateResult> m_results;
    QStringList m_keys;
    UpdateStates m_states;
    QList<std::shared_ptr<Job>> m_jobs;
    HostQueue m_queue;
    struct Robots;
    QHash<QString, std::shared_ptr<Robots>> m_robots;
    QList<QNetworkReply*> m_replies;
    QDateTime m_now;
    int m_checked = 0;
    int m_generation = 0;
    bool m_running = false;
    bool m_stateWritten = true;
    FileError m_stateError;
};

} // namespace siteloom
