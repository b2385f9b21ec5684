#include "checker/linkchecker.h"

#include "checker/plainfetch.h"
#include "linkcheck/partnerpage.h"
#include "linkentry/linkentry.h"
#include "linkpages/linkpages.h"
#include "robots/robotsrules.h"
#include "version/version.h"
#include "weburl/weburl.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPromise>
#include <QSet>
#include <QSize>
#include <QSslConfiguration>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace siteloom {

namespace {

constexpr int maxRedirects = 5;
constexpr qsizetype maxPageBytes = 2 * 1024 * 1024;
// An image's format and size stand in its first bytes; a banner that shows neither by then is not
// one Qt can read.
constexpr qsizetype maxImageHeaderBytes = 256 * 1024;
// A partner's link page is looked for this many steps (links or frames) from its page, on at most
// this many pages, its own included.
constexpr int maxLinkPageSteps = 2;
constexpr int maxPagesPerPartner = 5;
// RFC 9309 asks crawlers to read at least 500 KiB of a robots.txt.
constexpr qsizetype maxRobotsBytes = 512 * 1024;
// How far the network thread may read ahead of the checker: unbounded, it would take in a large
// body as fast as the connection gives it until the abort reached it.
constexpr qint64 readAheadBytes = 64 * 1024;

// Reads what the reply holds onto the end of the body, made at once as long as the answer says it
// is (within the limit of what is read of it), else grown by doubling: a page comes in pieces, and
// taking each as a copy of its own and appending that would copy the page twice, and again each
// time the body grew.
void readOnto(QByteArray& body, QNetworkReply* reply, qsizetype limit)
{
    const qint64 available = reply->bytesAvailable();
    if (available <= 0)
        return;
    const qsizetype had = body.size();
    if (body.capacity() < had + available) {
        qsizetype wanted = std::max(2 * body.capacity(), qsizetype(had + available));
        if (had == 0)
            wanted = std::max(
                wanted,
                std::min(limit, qsizetype(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong())));
        body.reserve(wanted);
    }
    body.resize(had + available);
    body.resize(had + std::max<qint64>(reply->read(body.data() + had, available), 0));
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Failures after which a GET may still succeed where a HEAD did not: the server itself answered
// or dropped the request. A name that does not resolve or a refused connection fails the same way.
bool worthGet(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolUnknownError:
        return true;
    default:
        return false;
    }
}

// Reads an image's format and size from as much of it as there is.
bool readImageHeader(const QByteArray& bytes, QString* format, QSize* size)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray found = reader.format();
    if (found.isEmpty())
        return false;
    const QSize read = reader.size();
    if (!read.isValid())
        return false;
    *format = QString::fromLatin1(found).toLower();
    *size = read;
    return true;
}

// The bytes a "data:" address carries ("data:[type][;base64],data"); false when it is none.
bool dataUrlBytes(QStringView url, QByteArray* bytes)
{
    if (!url.startsWith(u"data:", Qt::CaseInsensitive))
        return false;
    const qsizetype comma = url.indexOf(u',');
    if (comma < 0)
        return false;
    const QStringView header = url.sliced(5, comma - 5);
    const QByteArray data = QByteArray::fromPercentEncoding(url.sliced(comma + 1).toLatin1());
    if (header.endsWith(u";base64", Qt::CaseInsensitive)) {
        auto decoded = QByteArray::fromBase64Encoding(data, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return false;
        *bytes = *decoded;
    } else {
        *bytes = data;
    }
    return true;
}

// A banner the check answers without a request: one carried in its own address, which is read
// from there, or the stand-in of earlier versions, whose host never existed.
std::optional<UrlCheck> bannerWithoutRequest(QStringView url)
{
    UrlCheck check;
    if (url == QStringView(formerDefaultBannerUrl)) {
        check.status = UrlStatus::Placeholder;
        return check;
    }
    QByteArray bytes;
    if (!url.startsWith(u"data:", Qt::CaseInsensitive))
        return std::nullopt;
    QSize size;
    if (!dataUrlBytes(url, &bytes)) {
        check.status = UrlStatus::Invalid;
        check.error = u"data URL として読めません"_s;
    } else if (readImageHeader(bytes, &check.format, &size)) {
        check.status = UrlStatus::Ok;
        check.width = size.width();
        check.height = size.height();
        check.bytes = bytes.size();
    } else {
        check.status = UrlStatus::NotImage;
    }
    return check;
}

// Whether a link page's redirect stays on the partner's site: the same host, or the same but for
// a leading "www.", on any port; from http to https too, never from https back to http.
bool redirectStaysOnSite(const QString& from, const QString& to)
{
    const QString scheme = QUrl(to).scheme();
    if (scheme != u"https"_s && (scheme != u"http"_s || QUrl(from).scheme() == u"https"_s))
        return false;
    return sameSite(from, to);
}

} // namespace

// One address's requests, from the first to the answer: the hops of its redirects, and the HEAD
// that may be asked again with GET.
struct LinkChecker::Transfer
{
    QString url; // where the current hop goes
    int host = 0;
    bool page = false;  // the body is searched for the link back
    bool image = false; // the body's header is read as an image
    bool head = true;   // the current request is HEAD
    int hops = 0;
    bool permanent = false; // a 301 or 308 on the way
    QStringList visited;    // the hops' addresses, to see a loop
    QNetworkReply* reply = nullptr;
    QByteArray body;
    bool stopped = false;  // aborted by us once enough was read
    bool overTime = false; // aborted by us at the request's time limit
    // The body's length when its image header was last looked for: it is looked for again only once
    // the body has doubled, as a reader that fails writes its warnings each time.
    qsizetype imageTriedAt = 0;
    UrlCheck check; // the answer, without the image
    QString format; // the image, when one was read
    QSize size;
    BacklinkStatus backlink = BacklinkStatus::Unknown;
    QString backlinkReason;
    QString foundAt; // the page the link back was found on
};

// The search of a partner's site for its link page, after its own page held no link back.
struct LinkChecker::LinkPageSearch
{
    QString site;                           // the entry's address, as the memory knows it
    QList<std::pair<QString, int>> waiting; // pages to read, with their steps from the entry's page
    QSet<QString> seen;                     // pages read or waiting
    int read = 1;                           // pages read, the entry's own counted
    QString forbidden;                      // a page robots.txt kept the search from
};

// A host's robots.txt: its rules once read, and what waits for them until then.
struct LinkChecker::Robots
{
    bool known = false;
    RobotsRules rules;
    QList<std::function<void()>> waiting;
};

// A request for a link page or a robots.txt, from when it is asked for to its answer.
struct LinkChecker::Extra
{
    QString url;
    int host = 0;
    qsizetype limit = 0; // the most of its body that is read
    QNetworkRequest::RedirectPolicy redirects = QNetworkRequest::SameOriginRedirectPolicy;
    std::function<void(const ExtraAnswer&)> done;
    QNetworkReply* reply = nullptr; // once sent
    QByteArray body;
    bool cut = false; // stopped at the limit
};

// What a request for a link page or a robots.txt came to.
struct LinkChecker::ExtraAnswer
{
    int status = 0;
    bool failed = false; // no whole answer (a body cut at its limit is whole enough)
    QByteArray body;
    QByteArray contentType;
    QByteArray location; // where a redirect points, as written
};

// What an answer came to, from Qt's client or read by hand.
struct LinkChecker::Answer
{
    int status = 0;
    bool failed = false;   // it ended in an error
    bool timedOut = false; // a time limit ended it
    bool worthGet = false; // a failed HEAD a GET may still get an answer to
    QString error;
    QByteArray location;
    QByteArray contentType;
    qint64 length = -1;
};

namespace {

// What the search of a partner's page found, made on the thread pool.
struct PageSearch
{
    BacklinkStatus backlink = BacklinkStatus::Unknown;
    QString reason;
    QStringList linkPages; // where the partner's link page may be, when the page does not link back
};

// Searches a partner's page for the link back: on its bytes where that tells, else decoded in its
// charset, as it is also for the link pages it may point to (wanted when it does not link back).
PageSearch searchPartnerPage(const QByteArray& body, const QByteArray& contentType, const QString& url,
                             const QString& own, const QString& banner, bool wantLinkPages)
{
    PageSearch found;
    const std::optional<BacklinkStatus> quick =
        bodyLinksBack(body, contentType, url, own, banner, &found.reason);
    found.backlink = quick.value_or(BacklinkStatus::NotFound);
    if (quick && (*quick != BacklinkStatus::NotFound || !wantLinkPages))
        return found;
    // The bytes told no link back, or could not tell: the page read in its charset says, and its text
    // tells where its link pages may be. An answer from the bytes is the decoded page's too.
    const QString page = decodePartnerPage(body, contentType);
    if (!quick)
        found.backlink = pageLinksBack(page, url, own, banner, &found.reason);
    if (found.backlink == BacklinkStatus::NotFound && wantLinkPages)
        found.linkPages = linkPageCandidates(page, url);
    return found;
}

// The status codes HTTP has: three digits. Anything else is not an HTTP answer.
bool isStatusCode(int status)
{
    return status >= 100 && status <= 999;
}

} // namespace

LinkChecker::LinkChecker(QNetworkAccessManager* manager, QObject* parent)
    : QObject(parent), m_manager(manager)
{
}

LinkChecker::~LinkChecker()
{
    if (m_running)
        cancel();
}

QByteArray LinkChecker::userAgent()
{
    return "siteloom/" + QString::fromUtf16(programVersion).toUtf8() + " (+" +
           QString::fromUtf16(authorHomePage).toUtf8() + ')';
}

void LinkChecker::start(const CheckInputs& inputs)
{
    if (m_running)
        cancel();
    ++m_generation;
    m_inputs = inputs;
    const qsizetype rows = inputs.entries.size();
    m_results = CheckResults(inputs.entries);
    // Made to size at once: growing them would leave room for half as many again.
    m_partsLeft = QList<quint8>(rows, 0);
    m_nextUse = QList<qint32>(2 * rows, -1);
    m_firstUse.clear();
    m_firstUse.reserve(2 * size_t(rows));
    m_transfers.clear();
    m_queue.clear();
    m_queue.setLimits(m_options.jobs, m_options.perHost);
    m_checked = 0;
    m_backlinks = isWebUrl(inputs.ownUrl);
    m_linkPageSearches.clear();
    m_robots.clear();
    m_extras.clear();
    m_freeExtras.clear();
    m_extraNumbers = 0;
    if (m_backlinks) {
        m_linkPageMemory = readLinkPageMemory(
            m_options.linkPageMemoryFile.isEmpty() ? linkPageMemoryPath() : m_options.linkPageMemoryFile);
        m_linkPageMemoryChanged = false;
    }
    m_running = true;

    // The fetches by their address's hash, open addressing: the address itself is not kept, as it
    // stands in the entries that use it.
    struct Slot
    {
        quint32 hash;
        qint32 fetch = -1;
    };
    const size_t mask = size_t(qNextPowerOfTwo(quint64(3 * rows + 1))) - 1;
    std::vector<Slot> fetchOf(mask + 1);
    const QString invalid = u"http または https で始まる完全な URL ではありません"_s;
    for (qsizetype row = 0; row < rows; ++row) {
        if (m_backlinks)
            m_results.setBacklink(row, BacklinkStatus::Unknown);
        for (bool banner : {false, true}) {
            const qint32 use = qint32(2 * row + (banner ? 1 : 0));
            if (banner) {
                if (const std::optional<UrlCheck> check = bannerWithoutRequest(useAddress(use))) {
                    m_results.setUrlCheck(row, banner, *check);
                    continue;
                }
            }
            const QString key = comparableUrl(useAddress(use));
            if (key.isEmpty()) {
                UrlCheck check;
                check.error = invalid;
                m_results.setUrlCheck(row, banner, check);
                continue;
            }
            const auto hash = quint32(qHash(key));
            size_t slot = hash & mask;
            while (fetchOf[slot].fetch >= 0 &&
                   (fetchOf[slot].hash != hash || fetchAddress(fetchOf[slot].fetch) != key))
                slot = (slot + 1) & mask;
            if (fetchOf[slot].fetch < 0) {
                fetchOf[slot] = {hash, qint32(m_firstUse.size())};
                m_firstUse.push_back(-1);
                m_queue.push(fetchOf[slot].fetch, m_queue.host(QUrl(key).host()));
            }
            qint32& firstUse = m_firstUse[size_t(fetchOf[slot].fetch)];
            m_nextUse[use] = firstUse;
            firstUse = use;
            ++m_partsLeft[row];
        }
    }
    m_firstUse.shrink_to_fit();
    QMetaObject::invokeMethod(this, &LinkChecker::launch, Qt::QueuedConnection);
}

// The site or banner address of an entry, as its line gives it.
QStringView LinkChecker::useAddress(qint32 use) const
{
    const LinkEntryView entry = splitEntryView(m_inputs.entries[use / 2]);
    return use % 2 ? entry.bannerUrl : entry.siteUrl;
}

// The comparable address of the fetch, from an entry that uses it.
QString LinkChecker::fetchAddress(int fetch) const
{
    return comparableUrl(useAddress(m_firstUse[size_t(fetch)]));
}

void LinkChecker::launch()
{
    if (!m_running)
        return;
    // Entries that need no request are done already.
    for (qsizetype row = 0; row < m_partsLeft.size(); ++row) {
        if (m_partsLeft[row] == 0)
            entryDone(int(row));
    }
    if (m_checked == m_results.size()) {
        m_running = false;
        emit finished(false);
        return;
    }
    pump();
}

void LinkChecker::cancel()
{
    if (!m_running)
        return;
    m_running = false;
    ++m_generation;
    for (const auto& [fetch, transfer] : m_transfers) {
        if (QNetworkReply* reply = std::exchange(transfer->reply, nullptr)) {
            disconnect(reply, nullptr, this, nullptr);
            reply->abort();
            reply->deleteLater();
        }
    }
    m_transfers.clear();
    for (const auto& [request, extra] : m_extras) {
        if (QNetworkReply* reply = std::exchange(extra->reply, nullptr)) {
            disconnect(reply, nullptr, this, nullptr);
            reply->abort();
            reply->deleteLater();
        }
    }
    m_extras.clear();
    m_freeExtras.clear();
    m_extraNumbers = 0;
    m_linkPageSearches.clear();
    m_robots.clear();
    saveLinkPageMemory();
    qDeleteAll(findChildren<PlainFetch*>(Qt::FindDirectChildrenOnly));
    m_firstUse.clear();
    m_nextUse.clear();
    for (const auto& [host, manager] : m_managers)
        manager->deleteLater();
    m_managers.clear();
    m_queue.clear();
    emit finished(true);
}

QNetworkAccessManager* LinkChecker::managerFor(int host)
{
    if (m_manager)
        return m_manager;
    QNetworkAccessManager*& manager = m_managers[host];
    if (!manager)
        manager = new QNetworkAccessManager(this);
    return manager;
}

// A host with nothing under way or waiting lets its manager (and the manager's thread) go; one
// with more to come keeps it, and its open connections.
void LinkChecker::releaseManager(int host)
{
    if (m_queue.active(host) > 0 || m_queue.hasWaiting(host))
        return;
    if (const auto found = m_managers.find(host); found != m_managers.end()) {
        found->second->deleteLater();
        m_managers.erase(found);
    }
}

// Sends waiting requests while the limits allow.
void LinkChecker::pump()
{
    int host = 0;
    for (int request; (request = m_queue.take(&host)) >= 0;) {
        if (size_t(request) < m_firstUse.size())
            send(request);
        else
            sendExtra(request);
    }
}

void LinkChecker::send(int index)
{
    std::unique_ptr<Transfer>& made = m_transfers[index];
    if (!made) {
        made = std::make_unique<Transfer>();
        made->url = fetchAddress(index);
        made->host = m_queue.host(QUrl(made->url).host());
        for (qint32 use = m_firstUse[size_t(index)]; use >= 0; use = m_nextUse[use]) {
            if (use % 2)
                made->image = true;
            else if (m_backlinks)
                made->page = true;
        }
        // Only an answer is wanted of a site without a link back to look for.
        made->head = !made->page && !made->image;
    }
    Transfer& transfer = *made;
    const QNetworkRequest request = makeRequest(transfer.url, QNetworkRequest::ManualRedirectPolicy);
    transfer.body.clear();
    transfer.stopped = false;
    transfer.imageTriedAt = 0;
    transfer.overTime = false;
    QNetworkAccessManager* manager = managerFor(transfer.host);
    QNetworkReply* reply = transfer.head ? manager->head(request) : manager->get(request);
    reply->setReadBufferSize(readAheadBytes);
    transfer.reply = reply;
    const int generation = m_generation;
    // The time limit above counts only silence; a server that sends a byte now and then, or header
    // lines without end, meets this one.
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, this, [this, index, generation, reply] {
        if (generation != m_generation)
            return;
        const auto found = m_transfers.find(index);
        if (found != m_transfers.end() && found->second->reply == reply && !found->second->stopped) {
            found->second->overTime = true;
            reply->abort();
        }
    });
    limit->start(m_options.totalMs > 0 ? m_options.totalMs : 4 * m_options.timeoutMs);
    connect(reply, &QNetworkReply::readyRead, this, [this, index, generation] {
        if (generation == m_generation)
            readSome(index);
    });
    connect(reply, &QNetworkReply::finished, this, [this, index, generation] {
        if (generation == m_generation)
            complete(index);
    });
}

// Takes in what arrived and stops the transfer as soon as enough is known.
void LinkChecker::readSome(int index)
{
    Transfer& transfer = *m_transfers.at(index);
    QNetworkReply* reply = transfer.reply;
    if (!reply || transfer.stopped)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        // Only the status counts: a redirect's body is not read, nor an error page's (Qt sets its
        // own error for a 4xx or 5xx answer once the reply ends, so that one is let end by itself).
        if (status < 400) {
            transfer.stopped = true;
            reply->abort();
        }
        return;
    }
    readOnto(transfer.body, reply, transfer.page ? maxPageBytes : maxImageHeaderBytes);
    if (transfer.image && transfer.format.isEmpty() && transfer.body.size() >= 2 * transfer.imageTriedAt) {
        transfer.imageTriedAt = transfer.body.size();
        readImageHeader(transfer.body, &transfer.format, &transfer.size);
    }
    const bool imageDone =
        !transfer.image || !transfer.format.isEmpty() || transfer.body.size() >= maxImageHeaderBytes;
    const bool pageDone = !transfer.page || transfer.body.size() >= maxPageBytes;
    if (imageDone && pageDone) {
        transfer.body.truncate(maxPageBytes);
        transfer.stopped = true;
        reply->abort();
    }
}

void LinkChecker::complete(int index)
{
    Transfer& transfer = *m_transfers.at(index);
    QNetworkReply* reply = std::exchange(transfer.reply, nullptr);
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 100 && status <= 199) {
        // Qt takes an informational answer (103 Early Hints) for the final one, and the answer
        // that follows it is lost: the request is made again and read by hand.
        fetchPastInformational(index);
        return;
    }
    m_queue.done(transfer.host);
    releaseManager(transfer.host);
    // The fetch may not settle for a while (its page searched, its link pages read): the next
    // request takes its place now.
    pump();

    const QNetworkReply::NetworkError error = reply->error();
    Answer answer;
    answer.status = status;
    answer.failed = error != QNetworkReply::NoError;
    answer.timedOut = error == QNetworkReply::TimeoutError ||
                      (error == QNetworkReply::OperationCanceledError && !transfer.stopped);
    answer.worthGet = status == 0 && worthGet(error);
    answer.error = reply->errorString();
    answer.location = reply->rawHeader("Location");
    answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader); length.isValid())
        answer.length = length.toLongLong();
    if (status >= 200 && status <= 299 && !transfer.stopped && reply->isOpen())
        readOnto(transfer.body, reply, transfer.page ? maxPageBytes : maxImageHeaderBytes);
    judge(index, answer);
}

void LinkChecker::fetchPastInformational(int index)
{
    Transfer& transfer = *m_transfers.at(index);
    const PlainFetch::Limits limits{transfer.page ? maxPageBytes : maxImageHeaderBytes, m_options.timeoutMs,
                                    m_options.totalMs > 0 ? m_options.totalMs : 4 * m_options.timeoutMs};
    auto* fetch = new PlainFetch(QUrl(transfer.url, QUrl::StrictMode), transfer.head, userAgent(),
                                 m_options.extraCaCertificates, limits, this);
    const int generation = m_generation;
    connect(fetch, &PlainFetch::finished, this, [this, fetch, index, generation] {
        fetch->deleteLater();
        if (generation != m_generation)
            return;
        Transfer& fetched = *m_transfers.at(index);
        m_queue.done(fetched.host);
        releaseManager(fetched.host);
        pump();
        const PlainFetch::Answer& got = fetch->answer();
        Answer answer;
        answer.status = got.status;
        answer.failed = !got.error.isEmpty();
        answer.timedOut = got.timedOut;
        answer.error = got.error;
        answer.location = got.location;
        answer.contentType = got.contentType;
        answer.length = got.length;
        fetched.overTime = got.overTime;
        fetched.stopped = false;
        fetched.body = got.body;
        judge(index, answer);
    });
}

// Judges the answer to the fetch's current request: another hop, another try, or the result.
void LinkChecker::judge(int index, const Answer& answer)
{
    Transfer& transfer = *m_transfers.at(index);
    const int status = answer.status;
    UrlCheck& check = transfer.check;
    check.httpStatus = isStatusCode(status) ? status : 0;
    // A body that ended in a failure (a cut connection, a time limit, an answer Qt refused to
    // unpack) is only its start: nothing is judged from it.
    const bool cutShort = status >= 200 && status <= 299 && !transfer.stopped && answer.failed;

    if (status != 0 && !isStatusCode(status)) {
        check.status = UrlStatus::Unreachable;
        check.error = u"HTTP の応答ではありません（状態コード %1）"_s.arg(status);
        settle(index);
        return;
    }

    if (isRedirect(status)) {
        const QString target = comparableUrl(resolveUrl(transfer.url, QString::fromUtf8(answer.location)));
        transfer.visited.append(transfer.url);
        transfer.permanent |= status == 301 || status == 308;
        if (target.isEmpty()) {
            check.status = UrlStatus::Broken;
            check.error = u"転送先の URL が正しくありません"_s;
        } else if (transfer.visited.contains(target)) {
            check.status = UrlStatus::Broken;
            check.error = u"転送が循環しています"_s;
        } else if (transfer.hops == maxRedirects) {
            check.status = UrlStatus::Broken;
            check.error = u"転送が %1 回を超えました"_s.arg(maxRedirects);
        } else {
            ++transfer.hops;
            transfer.url = target;
            transfer.host = m_queue.host(QUrl(target).host());
            m_queue.push(index, transfer.host);
            pump();
            return;
        }
        check.finalUrl = target;
        settle(index);
        return;
    }

    if (transfer.head && (status >= 400 || answer.worthGet)) {
        // Servers that refuse HEAD, or answer it wrongly, are asked again with GET.
        transfer.head = false;
        m_queue.push(index, transfer.host);
        pump();
        return;
    }

    if (transfer.hops > 0)
        check.finalUrl = transfer.url;
    if (status >= 200 && status <= 299 && !cutShort) {
        check.status = transfer.permanent ? UrlStatus::Redirected : UrlStatus::Ok;
        if (answer.length >= 0)
            check.bytes = answer.length;
        else if (!transfer.stopped && !transfer.head)
            check.bytes = transfer.body.size();
        if (transfer.image && transfer.format.isEmpty())
            readImageHeader(transfer.body, &transfer.format, &transfer.size);
        if (transfer.page) {
            if (isHtmlContentType(answer.contentType)) {
                searchPage(index, answer.contentType);
                return;
            }
        }
    } else if (status > 0 && !cutShort) {
        check.status = UrlStatus::Broken;
        if (status < 400)
            check.error = u"HTTP %1 の応答で終わりました"_s.arg(status);
    } else if (answer.timedOut) {
        // The transfer time limit aborts the request, and so does ours.
        check.status = UrlStatus::Timeout;
        check.error =
            transfer.overTime
                ? u"%1 秒以内に終わりません"_s.arg(
                      (m_options.totalMs > 0 ? m_options.totalMs : 4 * m_options.timeoutMs) / 1000.0)
                : u"%1 秒以内に応答がありません"_s.arg(m_options.timeoutMs / 1000.0);
    } else {
        check.status = UrlStatus::Unreachable;
        check.error = answer.error;
    }
    settle(index);
}

// Searches the page for the link back on the thread pool, with copies of what it needs, then settles
// the fetch; an answer that comes after a cancel is dropped.
void LinkChecker::searchPage(int index, const QByteArray& contentType)
{
    Transfer& transfer = *m_transfers.at(index);
    auto promise = std::make_shared<QPromise<PageSearch>>();
    promise->start();
    auto* watcher = new QFutureWatcher<PageSearch>(this);
    const int generation = m_generation;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, index, generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        const PageSearch found = watcher->result();
        Transfer& searched = *m_transfers.at(index);
        searched.backlink = found.backlink;
        searched.backlinkReason = found.reason;
        if (found.backlink == BacklinkStatus::NotFound) {
            followLinkPages(index, found.linkPages);
            return;
        }
        if (found.backlink == BacklinkStatus::Found)
            searched.foundAt = searched.url;
        settle(index);
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, body = std::exchange(transfer.body, {}), contentType,
                                          url = transfer.url, own = m_inputs.ownUrl,
                                          banner = m_inputs.ownBanner] {
        promise->addResult(searchPartnerPage(body, contentType, url, own, banner, true));
        promise->finish();
    });
}

// Hands the fetch's answer to every entry that uses the address, and lets the fetch go.
void LinkChecker::settle(int index)
{
    const auto found = m_transfers.find(index);
    const std::unique_ptr<Transfer> transfer = std::move(found->second);
    m_transfers.erase(found);
    UrlCheck image = transfer->check;
    if (image.status == UrlStatus::Ok || image.status == UrlStatus::Redirected) {
        if (transfer->format.isEmpty()) {
            image.status = UrlStatus::NotImage;
        } else {
            image.format = transfer->format;
            image.width = transfer->size.width();
            image.height = transfer->size.height();
        }
    }
    for (qint32 use = m_firstUse[size_t(index)]; use >= 0; use = m_nextUse[use]) {
        const int row = use / 2;
        const bool banner = use % 2;
        m_results.setUrlCheck(row, banner, banner ? image : transfer->check);
        if (!banner && m_backlinks)
            m_results.setBacklink(row, transfer->backlink, transfer->backlinkReason, transfer->foundAt);
        if (--m_partsLeft[row] == 0) {
            entryDone(row);
            if (!m_running)
                return; // a receiver cancelled
        }
    }
    if (m_checked == m_results.size()) {
        m_running = false;
        // Only the results are kept.
        std::vector<qint32>().swap(m_firstUse);
        m_nextUse = {};
        m_partsLeft = {};
        saveLinkPageMemory();
        emit finished(false);
        return;
    }
    pump();
}

// Starts the search of the partner's site for its link page: the one found there before first,
// then what its page names. A partner with neither keeps its answer.
void LinkChecker::followLinkPages(int index, const QStringList& candidates)
{
    const Transfer& transfer = *m_transfers.at(index);
    auto search = std::make_unique<LinkPageSearch>();
    search->site = fetchAddress(index);
    search->seen.insert(transfer.url);
    const QString remembered = m_linkPageMemory.value(search->site);
    for (const QString& page : QStringList{remembered} + candidates) {
        if (!page.isEmpty() && sameSite(page, transfer.url) && !search->seen.contains(page)) {
            search->seen.insert(page);
            search->waiting.append({page, 1});
        }
    }
    if (search->waiting.isEmpty()) {
        settle(index);
        return;
    }
    m_linkPageSearches[index] = std::move(search);
    readNextLinkPage(index);
}

void LinkChecker::readNextLinkPage(int index)
{
    LinkPageSearch& search = *m_linkPageSearches.at(index);
    if (search.read >= maxPagesPerPartner || search.waiting.isEmpty()) {
        endLinkPageSearch(index, {});
        return;
    }
    const auto next = search.waiting.takeFirst();
    readLinkPage(index, next.first, next.second, 0);
}

// Reads a page of the partner's site where robots.txt lets this tool, and searches it. Its
// redirects are followed hop by hop, as far as they stay on the site (a move from http to https
// included), each hop only where the robots.txt of its own origin allows; the hops of one page
// count as that one page.
void LinkChecker::readLinkPage(int index, const QString& url, int steps, int hops)
{
    whenRobotsKnown(url, [this, index, url, steps, hops](bool allowed) {
        LinkPageSearch& searching = *m_linkPageSearches.at(index);
        if (!allowed) {
            if (searching.forbidden.isEmpty())
                searching.forbidden = url;
            readNextLinkPage(index);
            return;
        }
        if (hops == 0)
            ++searching.read;
        fetchExtra(url, maxPageBytes, QNetworkRequest::ManualRedirectPolicy,
                   [this, index, url, steps, hops](const ExtraAnswer& answer) {
                       if (isRedirect(answer.status)) {
                           const QString target =
                               comparableUrl(resolveUrl(url, QString::fromUtf8(answer.location)));
                           LinkPageSearch& search = *m_linkPageSearches.at(index);
                           if (hops < maxRedirects && !target.isEmpty() && redirectStaysOnSite(url, target) &&
                               !search.seen.contains(target)) {
                               search.seen.insert(target);
                               readLinkPage(index, target, steps, hops + 1);
                           } else {
                               readNextLinkPage(index);
                           }
                           return;
                       }
                       if (answer.failed || answer.status < 200 || answer.status > 299 ||
                           !isHtmlContentType(answer.contentType)) {
                           readNextLinkPage(index);
                           return;
                       }
                       searchLinkPage(index, url, steps, answer.body, answer.contentType);
                   });
    });
}

// Searches a page of the partner's site on the thread pool, as its own page was searched; where
// the link back is not, the pages it names are read next, within the steps allowed.
void LinkChecker::searchLinkPage(int index, const QString& url, int steps, const QByteArray& body,
                                 const QByteArray& contentType)
{
    auto promise = std::make_shared<QPromise<PageSearch>>();
    promise->start();
    auto* watcher = new QFutureWatcher<PageSearch>(this);
    const int generation = m_generation;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, index, url, steps, generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        const PageSearch found = watcher->result();
        if (found.backlink == BacklinkStatus::Found) {
            endLinkPageSearch(index, url);
            return;
        }
        LinkPageSearch& search = *m_linkPageSearches.at(index);
        for (const QString& page : found.linkPages) {
            if (!search.seen.contains(page)) {
                search.seen.insert(page);
                search.waiting.append({page, steps + 1});
            }
        }
        readNextLinkPage(index);
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, body, contentType, url, steps, own = m_inputs.ownUrl,
                                          banner = m_inputs.ownBanner] {
        promise->addResult(searchPartnerPage(body, contentType, url, own, banner, steps < maxLinkPageSteps));
        promise->finish();
    });
}

// Ends the search with the page the link back was found on, or without one: then a page robots.txt
// kept the search from leaves the answer unknown.
void LinkChecker::endLinkPageSearch(int index, const QString& foundAt)
{
    const auto found = m_linkPageSearches.find(index);
    const std::unique_ptr<LinkPageSearch> search = std::move(found->second);
    m_linkPageSearches.erase(found);
    Transfer& transfer = *m_transfers.at(index);
    if (!foundAt.isEmpty()) {
        transfer.backlink = BacklinkStatus::Found;
        transfer.backlinkReason.clear();
        transfer.foundAt = foundAt;
        if (m_linkPageMemory.value(search->site) != foundAt) {
            m_linkPageMemory.insert(search->site, foundAt);
            m_linkPageMemoryChanged = true;
        }
    } else {
        if (!search->forbidden.isEmpty()) {
            transfer.backlink = BacklinkStatus::Unknown;
            transfer.backlinkReason = robotsForbidReason(search->forbidden);
        }
        m_linkPageMemoryChanged |= m_linkPageMemory.remove(search->site) > 0;
    }
    settle(index);
}

// Calls then with whether robots.txt lets this tool read the page: at once when the host's rules are
// known, else once they are. A robots.txt that is missing (4xx) allows everything; one that cannot
// be read (5xx, no answer) forbids everything.
void LinkChecker::whenRobotsKnown(const QString& url, std::function<void(bool)> then)
{
    const QUrl page(url);
    const QString origin =
        page.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
            .toString();
    const QString path =
        page.path(QUrl::FullyEncoded) + (page.hasQuery() ? u'?' + page.query(QUrl::FullyEncoded) : QString());
    std::shared_ptr<Robots>& robots = m_robots[origin];
    if (!robots)
        robots = std::make_shared<Robots>();
    if (robots->known) {
        then(robots->rules.allows(path));
        return;
    }
    robots->waiting.append(
        [robots = robots.get(), path, then = std::move(then)] { then(robots->rules.allows(path)); });
    if (robots->waiting.size() > 1)
        return;
    // Its redirects are followed to other hosts too, as RFC 9309 asks (a site moved to https, or to
    // its www. name, often moves its robots.txt alone); never to a less safe scheme.
    fetchExtra(origin + u"/robots.txt"_s, maxRobotsBytes, QNetworkRequest::NoLessSafeRedirectPolicy,
               [this, origin](const ExtraAnswer& answer) {
                   const std::shared_ptr<Robots> robots = m_robots.value(origin);
                   robots->known = true;
                   if (answer.status >= 200 && answer.status <= 299 && !answer.failed)
                       robots->rules = RobotsRules::parse(answer.body, robotsProductToken);
                   else if (answer.status >= 400 && answer.status <= 499)
                       robots->rules = RobotsRules();
                   else
                       robots->rules = RobotsRules::disallowAll();
                   for (const std::function<void()>& waiting : std::exchange(robots->waiting, {}))
                       waiting();
               });
}

QNetworkRequest LinkChecker::makeRequest(const QString& url, QNetworkRequest::RedirectPolicy redirects) const
{
    QNetworkRequest request(QUrl(url, QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, redirects);
    request.setTransferTimeout(m_options.timeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    if (!m_options.extraCaCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(m_options.extraCaCertificates);
        request.setSslConfiguration(tls);
    }
    return request;
}

// A GET beyond the entry's own addresses (a link page, a robots.txt): queued with the fetches of
// its host, so that the host's limit holds for every request of the check; redirects followed as
// the policy allows, at most five, the body read up to the limit, the same time limits as any
// request.
void LinkChecker::fetchExtra(const QString& url, qsizetype limit, QNetworkRequest::RedirectPolicy redirects,
                             std::function<void(const ExtraAnswer&)> done)
{
    auto extra = std::make_unique<Extra>();
    extra->url = url;
    extra->limit = limit;
    extra->redirects = redirects;
    extra->done = std::move(done);
    extra->host = m_queue.host(QUrl(url).host());
    int request = 0;
    if (m_freeExtras.empty()) {
        request = int(m_firstUse.size()) + m_extraNumbers++;
    } else {
        request = m_freeExtras.back();
        m_freeExtras.pop_back();
    }
    m_queue.push(request, extra->host);
    m_extras[request] = std::move(extra);
    pump();
}

void LinkChecker::sendExtra(int request)
{
    Extra& extra = *m_extras.at(request);
    QNetworkRequest made = makeRequest(extra.url, extra.redirects);
    made.setMaximumRedirectsAllowed(maxRedirects);
    QNetworkReply* reply = managerFor(extra.host)->get(made);
    reply->setReadBufferSize(readAheadBytes);
    extra.reply = reply;
    auto* limitTimer = new QTimer(reply);
    limitTimer->setSingleShot(true);
    connect(limitTimer, &QTimer::timeout, reply, &QNetworkReply::abort);
    limitTimer->start(m_options.totalMs > 0 ? m_options.totalMs : 4 * m_options.timeoutMs);
    const int generation = m_generation;
    connect(reply, &QNetworkReply::readyRead, this, [this, request, generation] {
        if (generation == m_generation)
            readExtra(request);
    });
    connect(reply, &QNetworkReply::finished, this, [this, request, generation] {
        if (generation == m_generation)
            completeExtra(request);
    });
}

void LinkChecker::readExtra(int request)
{
    Extra& extra = *m_extras.at(request);
    if (extra.cut)
        return;
    readOnto(extra.body, extra.reply, extra.limit);
    if (extra.body.size() >= extra.limit) {
        extra.body.truncate(extra.limit);
        extra.cut = true;
        extra.reply->abort(); // finishes it at once: nothing of it may be used after this
    }
}

void LinkChecker::completeExtra(int request)
{
    const auto found = m_extras.find(request);
    const std::unique_ptr<Extra> extra = std::move(found->second);
    m_extras.erase(found);
    m_freeExtras.push_back(request);
    QNetworkReply* reply = extra->reply;
    reply->deleteLater();
    m_queue.done(extra->host);
    if (!extra->cut && reply->isOpen())
        readOnto(extra->body, reply, extra->limit);
    ExtraAnswer answer;
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.failed = !extra->cut && reply->error() != QNetworkReply::NoError &&
                    !(answer.status >= 400 && answer.status <= 599);
    answer.body = std::move(extra->body);
    answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    answer.location = reply->rawHeader("Location");
    const int generation = m_generation;
    // What follows often asks the same host again (a link page after its robots.txt): its manager,
    // and the connections it holds, are let go only if nothing did.
    extra->done(answer);
    if (generation != m_generation)
        return; // a receiver cancelled, or started another check
    releaseManager(extra->host);
    if (m_running)
        pump();
}

void LinkChecker::saveLinkPageMemory()
{
    if (!m_linkPageMemoryChanged)
        return;
    m_linkPageMemoryChanged = false;
    // A memory that cannot be written only costs the next check the search again.
    writeLinkPageMemory(m_options.linkPageMemoryFile.isEmpty() ? linkPageMemoryPath()
                                                               : m_options.linkPageMemoryFile,
                        m_linkPageMemory);
}

void LinkChecker::entryDone(int row)
{
    m_results.setChecked(row);
    ++m_checked;
    emit entryChecked(row);
}

} // namespace siteloom
