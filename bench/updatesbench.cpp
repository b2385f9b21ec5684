#include "updatesbench.h"

#include "testhttpserver.h"
#include "updates/updatechecker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace siteloom::bench {

namespace {

constexpr int partners = 1000;
constexpr int hostCount = 20;
constexpr int delayMs = 50;
constexpr int perHost = 2;

using Response = TestHttpServer::Response;
using Request = TestHttpServer::Request;

// What the servers were asked, counted across their thread.
struct Counts
{
    std::atomic<int> requests{0};
    std::atomic<int> notModified{0};
};

Response answer(const Request& request, Counts& counts)
{
    ++counts.requests;
    Response response;
    const auto validated = [&request, &counts](Response full, const QByteArray& etag) {
        if (request.headers.value("if-none-match") == etag) {
            ++counts.notModified;
            full = Response::of(304);
        } else {
            full.headers.append({QByteArray("ETag"), etag});
        }
        return full;
    };
    if (request.path == u"/robots.txt")
        response = Response::of(404);
    else if (request.path.endsWith(u"/feed.xml"))
        response =
            validated(Response::of(200,
                                   "<rss><channel><item><title>t</title><pubDate>01 Dec 2026 00:00:00 GMT"
                                   "</pubDate></item></channel></rss>",
                                   "application/rss+xml"),
                      "\"f\"");
    else if (request.path.section(u'/', 1, 1).mid(1).toInt() % 2 == 0)
        response =
            validated(Response::of(200, "<link rel=alternate type=application/rss+xml href=feed.xml><p>x</p>",
                                   "text/html"),
                      "\"p\"");
    else
        response = validated(Response::of(200, "<p>a page without a feed</p>", "text/html"), "\"q\"");
    response.delayMs = delayMs;
    return response;
}

struct Round
{
    double seconds = 0;
    int requests = 0;
    int notModified = 0;
    int checked = 0;
};

Round runRound(const QStringList& entries, const QString& stateFile, Counts& counts)
{
    counts.requests = 0;
    counts.notModified = 0;
    UpdateOptions options;
    options.stateFile = stateFile;
    options.jobs = hostCount * perHost;
    options.perHost = perHost;
    UpdateChecker checker;
    checker.setOptions(options);
    QEventLoop loop;
    QObject::connect(&checker, &UpdateChecker::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    checker.start(entries);
    loop.exec();
    return {double(timer.nsecsElapsed()) / 1e9, counts.requests, counts.notModified, checker.checkedCount()};
}

} // namespace

bool runUpdatesBench()
{
    std::printf("\nupdate check: %d partners (half with a feed) on %d local hosts, %d ms per answer, %d "
                "connections per host\n",
                partners, hostCount, delayMs, perHost);
    // The servers answer on a thread of their own, so that their waits are not the checker's.
    QThread serving;
    serving.start();
    Counts counts;
    std::vector<std::unique_ptr<TestHttpServer>> servers;
    QStringList bases;
    for (int i = 0; i < hostCount; ++i) {
        auto server = std::make_unique<TestHttpServer>();
        server->answerWith([&counts](const Request& request) { return answer(request, counts); });
        server->moveToThread(&serving);
        bool listening = false;
        QMetaObject::invokeMethod(
            server.get(), [&] { listening = server->listen(QHostAddress(u"127.0.0.%1"_s.arg(i + 1))); },
            Qt::BlockingQueuedConnection);
        if (!listening) {
            std::printf("the local servers did not start\n");
            serving.quit();
            serving.wait();
            return false;
        }
        bases.append(server->url(QString()));
        servers.push_back(std::move(server));
    }
    QStringList entries;
    for (int i = 0; i < partners; ++i)
        entries.append(u"：サイト %1：%2/s%1/"_s.arg(i).arg(bases[i % hostCount]));
    QTemporaryDir dir;
    const QString stateFile = dir.filePath(u"updates.json"_s);
    const Round first = runRound(entries, stateFile, counts);
    const Round second = runRound(entries, stateFile, counts);
    // Each host: its robots.txt, then its partners two at a time, one request each.
    const int perHostPartners = (partners + hostCount - 1) / hostCount;
    const double ideal = (1 + (perHostPartners + perHost - 1) / perHost) * delayMs / 1000.0;
    const double share = double(second.notModified) / partners;
    const bool met = second.checked == partners && share >= 0.9 && second.seconds <= 1.3 * ideal;
    std::printf("%-14s %9s %8s %8s %9s %8s\n", "round", "requests", "304s", "wall s", "ideal s", "ratio");
    std::printf("%-14s %9d %8d %8.2f %9s %8s\n", "first", first.requests, first.notModified, first.seconds,
                "-", "-");
    std::printf("%-14s %9d %8d %8.2f %9.2f %8.2f  (targets: 304s >= 90%%, ratio <= 1.3) %s\n", "unchanged",
                second.requests, second.notModified, second.seconds, ideal, second.seconds / ideal,
                met ? "met" : "NOT MET");
    for (auto& server : servers) {
        TestHttpServer* raw = server.release();
        QMetaObject::invokeMethod(
            raw, [raw] { delete raw; }, Qt::BlockingQueuedConnection);
    }
    serving.quit();
    serving.wait();
    return met;
}

} // namespace siteloom::bench
