#include "updates/updatechecker.h"

#include "checker/linkchecker.h"
#include "linkcheck/partnerpage.h"
#include "linkentry/linkentry.h"
#include "messages/updatemessages.h"
#include "updates/feeds.h"
#include "updates/fingerprint.h"
#include "weburl/weburl.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

constexpr qsizetype maxBodyBytes = 2 * 1024 * 1024;
constexpr qsizetype maxRobotsBytes = 512 * 1024;
constexpr int maxFrames = 4;
constexpr int maxRetries = 2;

QString origin(const QUrl& url)
{
    return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
        .toString();
}

// Retry-After as seconds or as an HTTP date; -1 when missing or unreadable.
qint64 retryAfterMs(const QByteArray& value, const QDateTime& now)
{
    bool isNumber = false;
    const qint64 seconds = value.trimmed().toLongLong(&isNumber);
    if (isNumber)
        return seconds >= 0 ? seconds * 1000 : -1;
    // An HTTP date, read as a feed's date is (GMT named, not written as an offset); one more than a
    // day ahead is no date, and no wait.
    const QDateTime at = feedDate(QString::fromLatin1(value), now);
    return at.isValid() ? std::max<qint64>(0, now.msecsTo(at)) : -1;
}

} // namespace

// One entry's look at its site, from its turn in the host queue to its result.
struct UpdateChecker::Job
{
    QString url; // the site's address as the list has it
    int host = -1;
    QByteArray page; // the page's body
    QByteArray contentType;
    QString frames; // a frameset's frames, their markup one after another
    QString finalUrl;
    QString etag;
    QString lastModified;
};

struct UpdateChecker::Answer
{
    int status = 0;
    bool failed = false; // no answer: refused, no such host, cut off
    bool timedOut = false;
    bool tooLarge = false;
    QString networkReason;
    QByteArray body;
    QByteArray contentType;
    QString finalUrl;
    QString etag;
    QString lastModified;
};

struct UpdateChecker::Robots
{
    bool known = false;
    RobotsRules rules;
    QString failure; // nothing answered for robots.txt: why, which the site's page would tell too
    QList<std::function<void()>> waiting;
};

UpdateChecker::UpdateChecker(QNetworkAccessManager* manager, QObject* parent)
    : QObject(parent), m_manager(manager ? manager : new QNetworkAccessManager(this))
{
}

UpdateChecker::~UpdateChecker()
{
    if (m_running)
        cancel();
}

void UpdateChecker::start(const QStringList& entries)
{
    if (m_running)
        cancel();
    ++m_generation;
    m_running = true;
    m_now = QDateTime::currentDateTime();
    m_states = readUpdateStates(m_options.stateFile.isEmpty() ? updateStatePath() : m_options.stateFile);
    m_results.clear();
    m_keys.clear();
    m_jobs.clear();
    m_robots.clear();
    m_queue.clear();
    m_queue.setLimits(m_options.jobs, m_options.perHost);
    m_checked = 0;
    QList<int> notWeb;
    for (qsizetype row = 0; row < entries.size(); ++row) {
        const LinkEntryView entry = splitEntryView(entries[row]);
        UpdateResult result;
        result.index = int(row) + 1;
        result.name = entry.siteName.toString();
        result.url = entry.siteUrl.trimmed().toString();
        m_results.append(result);
        m_keys.append(comparableUrl(result.url));
        auto job = std::make_shared<Job>();
        job->url = result.url;
        m_jobs.append(job);
        if (!isWebUrl(result.url)) {
            notWeb.append(int(row));
            continue;
        }
        job->host = m_queue.host(
            QUrl(result.url).host().toLower() + u':' +
            QString::number(QUrl(result.url).port(QUrl(result.url).scheme() == u"https" ? 443 : 80)));
        m_queue.push(int(row), job->host);
    }
    // Never from here: the caller connects first.
    const int generation = m_generation;
    QTimer::singleShot(0, this, [this, generation, notWeb] {
        if (generation != m_generation)
            return;
        for (int row : notWeb)
            finish(row, UpdateStatus::Unknown, updateNotWebAddressReason());
        pump();
    });
}

void UpdateChecker::cancel()
{
    if (!m_running)
        return;
    ++m_generation;
    for (QNetworkReply* reply : std::exchange(m_replies, {})) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    end(true);
}

void UpdateChecker::end(bool cancelled)
{
    m_running = false;
    m_stateError = {};
    m_stateWritten = writeUpdateStates(
        m_options.stateFile.isEmpty() ? updateStatePath() : m_options.stateFile, m_states, &m_stateError);
    emit finished(cancelled);
}

void UpdateChecker::pump()
{
    if (!m_running)
        return;
    int host = -1;
    for (int row = m_queue.take(&host); row >= 0; row = m_queue.take(&host))
        begin(row);
    // A look that ended at once (robots.txt known to forbid it) may have ended the check already.
    if (m_running && m_checked == m_results.size())
        end(false);
}

void UpdateChecker::begin(int row)
{
    const Job& job = *m_jobs[row];
    whenRobotsKnown(job.url, [this, row](bool allowed) {
        if (!allowed) {
            const QString failure = m_robots.value(origin(QUrl(m_jobs[row]->url)))->failure;
            if (!failure.isEmpty())
                return finish(row, UpdateStatus::Error, failure);
            return finish(row, UpdateStatus::Unknown, updateRobotsForbidReason());
        }
        const auto state = m_states.constFind(m_keys[row]);
        if (state != m_states.cend() && !state->feed.isEmpty())
            readFeed(row, state->feed, true, true);
        else
            readPage(row, true);
    });
}

void UpdateChecker::readPage(int row, bool conditional)
{
    QList<std::pair<QByteArray, QByteArray>> headers;
    const auto state = m_states.constFind(m_keys[row]);
    if (conditional && state != m_states.cend() && state->feed.isEmpty() && !state->fingerprint.isEmpty()) {
        if (!state->etag.isEmpty())
            headers.append({"If-None-Match", state->etag.toLatin1()});
        else if (!state->lastModified.isEmpty())
            headers.append({"If-Modified-Since", state->lastModified.toLatin1()});
    }
    const bool preconditions = !headers.isEmpty();
    get(row, m_jobs[row]->url, headers, [this, row, preconditions](const Answer& answer) {
        if (answer.status == 412 && preconditions)
            return readPage(row, false);
        if (answer.status == 304 && preconditions) {
            SiteLook look;
            look.method = UpdateMethod::Validators;
            look.notModified = true;
            return finishLook(row, look);
        }
        if (answer.status < 200 || answer.status > 299)
            return finish(row, UpdateStatus::Error,
                          answer.status ? updateHttpStatusReason(answer.status) : QString());
        if (!isHtmlContentType(answer.contentType))
            return finish(row, UpdateStatus::Unknown, updateNotHtmlReason());
        Job& job = *m_jobs[row];
        job.page = answer.body;
        job.contentType = answer.contentType;
        job.finalUrl = answer.finalUrl;
        job.etag = answer.etag;
        job.lastModified = answer.lastModified;
        if (!sameWebUrl(answer.finalUrl, job.url))
            m_results[row].movedTo = answer.finalUrl;
        const PageFeed found =
            discoverFeed(decodePartnerPage(answer.body, answer.contentType), answer.finalUrl);
        if (!found.feed.isEmpty())
            return readFeed(row, found.feed, false, false);
        if (!found.frames.isEmpty())
            return readFrames(row, found.frames.mid(0, maxFrames), 0);
        judgePage(row);
    });
}

// A frameset's frames, one after another: the first that announces a feed gives it; else their text
// counts as the page's.
void UpdateChecker::readFrames(int row, const QStringList& frames, qsizetype next)
{
    if (next == frames.size())
        return judgePage(row);
    whenRobotsKnown(frames[next], [this, row, frames, next](bool allowed) {
        if (!allowed)
            return readFrames(row, frames, next + 1);
        get(row, frames[next], {}, [this, row, frames, next](const Answer& answer) {
            if (answer.status >= 200 && answer.status <= 299 && isHtmlContentType(answer.contentType)) {
                const QString html = decodePartnerPage(answer.body, answer.contentType);
                const PageFeed found = discoverFeed(html, answer.finalUrl);
                if (!found.feed.isEmpty())
                    return readFeed(row, found.feed, false, false);
                m_jobs[row]->frames += html;
            }
            readFrames(row, frames, next + 1);
        });
    });
}

void UpdateChecker::readFeed(int row, const QString& feed, bool conditional, bool remembered)
{
    QList<std::pair<QByteArray, QByteArray>> headers;
    const auto state = m_states.constFind(m_keys[row]);
    if (conditional && state != m_states.cend() && state->feed == feed) {
        if (!state->etag.isEmpty())
            headers.append({"If-None-Match", state->etag.toLatin1()});
        else if (!state->lastModified.isEmpty())
            headers.append({"If-Modified-Since", state->lastModified.toLatin1()});
    }
    const bool preconditions = !headers.isEmpty();
    whenRobotsKnown(feed, [this, row, feed, headers, preconditions, remembered](bool allowed) {
        if (!allowed)
            return remembered ? readPage(row, false) : judgePage(row);
        get(row, feed, headers, [this, row, feed, preconditions, remembered](const Answer& answer) {
            if (answer.status == 412 && preconditions)
                return readFeed(row, feed, false, remembered);
            SiteLook look;
            look.method = UpdateMethod::Feed;
            look.feed = feed;
            if (answer.status == 304 && preconditions) {
                look.notModified = true;
                return finishLook(row, look);
            }
            const FeedNewest newest =
                answer.status >= 200 && answer.status <= 299
                    ? siteloom::readFeed(answer.body, answer.contentType, answer.finalUrl, m_now)
                    : FeedNewest();
            if (!newest.isFeed) {
                // A feed that is gone: the page again, which may announce another.
                if (remembered)
                    return readPage(row, false);
                return judgePage(row);
            }
            look.itemDate = newest.date;
            look.itemTitle = newest.title;
            look.itemLink = newest.link;
            look.etag = answer.etag;
            look.lastModified = answer.lastModified;
            finishLook(row, look);
        });
    });
}

void UpdateChecker::judgePage(int row)
{
    const Job& job = *m_jobs[row];
    SiteLook look;
    look.method = UpdateMethod::Text;
    look.etag = job.etag;
    look.lastModified = job.lastModified;
    look.fingerprint = pageFingerprint(decodePartnerPage(job.page, job.contentType) + job.frames);
    finishLook(row, look);
}

void UpdateChecker::finishLook(int row, const SiteLook& look)
{
    const QString& key = m_keys[row];
    const auto before = m_states.constFind(key);
    SiteState after;
    const SiteChange change = judgeLook(before == m_states.cend() ? nullptr : &*before, look, m_now, &after);
    m_states.insert(key, after);
    UpdateResult& result = m_results[row];
    result.method = look.method;
    result.feed = after.feed;
    result.changedAt = after.changedAt;
    result.title = after.changeTitle;
    result.link = after.changeLink;
    finish(row, change == SiteChange::New       ? UpdateStatus::New
                : change == SiteChange::Changed ? UpdateStatus::Updated
                                                : UpdateStatus::Unchanged);
}

void UpdateChecker::finish(int row, UpdateStatus status, const QString& reason)
{
    UpdateResult& result = m_results[row];
    result.status = status;
    if (!reason.isEmpty() || result.reason.isEmpty())
        result.reason = reason;
    Job& job = *m_jobs[row];
    job.page.clear();
    job.frames.clear();
    ++m_checked;
    if (job.host >= 0)
        m_queue.done(job.host);
    emit entryChecked(row);
    pump();
}

void UpdateChecker::get(int row, const QString& url, const QList<std::pair<QByteArray, QByteArray>>& headers,
                        std::function<void(const Answer&)> then, int retries)
{
    QNetworkRequest request{QUrl(url, QUrl::StrictMode)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(m_options.timeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, LinkChecker::userAgent());
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    QNetworkReply* reply = m_manager->get(request);
    m_replies.append(reply);
    auto answer = std::make_shared<Answer>();
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, reply, [reply, answer] {
        answer->timedOut = true;
        reply->abort();
    });
    limit->start(m_options.totalMs > 0 ? m_options.totalMs : 4 * m_options.timeoutMs);
    connect(reply, &QNetworkReply::readyRead, this, [reply, answer] {
        if (answer->tooLarge)
            return;
        answer->body += reply->readAll();
        if (answer->body.size() > maxBodyBytes) {
            answer->tooLarge = true;
            reply->abort();
        }
    });
    const int generation = m_generation;
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, answer, row, url, headers, then = std::move(then), retries, generation]() mutable {
                m_replies.removeOne(reply);
                reply->deleteLater();
                if (generation != m_generation)
                    return;
                if (!answer->tooLarge && reply->isOpen())
                    answer->body += reply->readAll();
                answer->status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                answer->contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
                answer->finalUrl = reply->url().toString();
                answer->etag = QString::fromLatin1(reply->rawHeader("ETag"));
                answer->lastModified = QString::fromLatin1(reply->rawHeader("Last-Modified"));
                if (answer->timedOut)
                    return finish(row, UpdateStatus::Error, updateTimeoutReason());
                if (answer->tooLarge)
                    return finish(row, UpdateStatus::Unknown, updateTooLargeReason());
                if (reply->error() != QNetworkReply::NoError && answer->status == 0) {
                    if (reply->error() == QNetworkReply::OperationCanceledError ||
                        reply->error() == QNetworkReply::TimeoutError)
                        return finish(row, UpdateStatus::Error, updateTimeoutReason());
                    return finish(row, UpdateStatus::Error, updateNoAnswerReason(reply->errorString()));
                }
                if ((answer->status == 429 || answer->status == 503) && retries < maxRetries) {
                    const qint64 wait =
                        retryAfterMs(reply->rawHeader("Retry-After"), QDateTime::currentDateTimeUtc());
                    if (wait >= 0 && wait <= m_options.longestWaitMs) {
                        QTimer::singleShot(int(wait), this,
                                           [this, row, url, headers, then, retries, generation] {
                                               if (generation == m_generation)
                                                   get(row, url, headers, then, retries + 1);
                                           });
                        return;
                    }
                }
                then(*answer);
            });
}

// Calls then with whether robots.txt lets this tool read the page, once the host's rules are known.
// A robots.txt that is missing (4xx) allows everything; one that cannot be read (5xx, no answer)
// forbids everything.
void UpdateChecker::whenRobotsKnown(const QString& url, std::function<void(bool)> then)
{
    const QUrl page(url);
    const QString site = origin(page);
    const QString path =
        page.path(QUrl::FullyEncoded) + (page.hasQuery() ? u'?' + page.query(QUrl::FullyEncoded) : QString());
    std::shared_ptr<Robots>& robots = m_robots[site];
    if (!robots)
        robots = std::make_shared<Robots>();
    if (robots->known)
        return then(robots->rules.allows(path));
    robots->waiting.append(
        [robots = robots.get(), path, then = std::move(then)] { then(robots->rules.allows(path)); });
    if (robots->waiting.size() > 1)
        return;
    QNetworkRequest request{QUrl(site + u"/robots.txt"_s, QUrl::StrictMode)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setTransferTimeout(m_options.timeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, LinkChecker::userAgent());
    QNetworkReply* reply = m_manager->get(request);
    m_replies.append(reply);
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, reply, &QNetworkReply::abort);
    limit->start(m_options.totalMs > 0 ? m_options.totalMs : 4 * m_options.timeoutMs);
    const int generation = m_generation;
    connect(reply, &QNetworkReply::finished, this, [this, reply, site, generation] {
        m_replies.removeOne(reply);
        reply->deleteLater();
        if (generation != m_generation)
            return;
        const std::shared_ptr<Robots> robots = m_robots.value(site);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        robots->known = true;
        if (status >= 200 && status <= 299 && reply->error() == QNetworkReply::NoError)
            robots->rules = RobotsRules::parse(reply->read(maxRobotsBytes), robotsProductToken);
        else if (status >= 400 && status <= 499)
            robots->rules = RobotsRules();
        else
            robots->rules = RobotsRules::disallowAll();
        if (status == 0)
            robots->failure = reply->error() == QNetworkReply::OperationCanceledError ||
                                      reply->error() == QNetworkReply::TimeoutError
                                  ? updateTimeoutReason()
                                  : updateNoAnswerReason(reply->errorString());
        for (const std::function<void()>& waiting : std::exchange(robots->waiting, {}))
            waiting();
    });
}

} // namespace siteloom
