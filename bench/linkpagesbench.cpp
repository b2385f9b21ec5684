#include "linkpagesbench.h"
#include "linkcheckbench.h"

#include "checker/linkchecker.h"
#include "linkentry/linkentry.h"
#include "testhttpserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace siteloom::bench {

namespace {

constexpr int entryCount = 1000;
constexpr int hostCount = 4; // 2 connections each: the checker's 8 in all
constexpr int connections = 8;
constexpr int answerDelayMs = 50;
constexpr double target = 1.5;

const QString ownUrl = u"http://own.example/"_s;

// A partner's top page, which names its link page among its other pages, and the link page, which
// links back among the partner's other friends.
QByteArray topPage(int site)
{
    return u"<html><head><title>サイト %1</title></head><body><h1>サイト %1 へようこそ</h1>"
           u"<a href=diary.html>日記</a> | <a href=photo/>写真</a> | <a href=link.html>LINK</a>"
           u"</body></html>"_s.arg(site)
               .toUtf8();
}

QByteArray linkPage(int site)
{
    QString page = u"<html><body><h1>リンク集</h1><ul>"_s;
    for (int other = 0; other < 20; ++other)
        page += u"<li><a href=\"http://friend%1-%2.example/\">お友達 %1</a>"_s.arg(other).arg(site);
    page += u"<li><a href=\"%1\">相互リンク</a></ul></body></html>"_s.arg(ownUrl);
    return page.toUtf8();
}

} // namespace

int runServeLinkPagesChild(int delayMs, int hosts, int count)
{
    using Response = TestHttpServer::Response;
    const auto answer = [delayMs](const QByteArray& body, const QByteArray& type) {
        Response response = Response::of(200, body, type);
        response.delayMs = delayMs;
        return response;
    };
    const std::vector<std::unique_ptr<TestHttpServer>> servers = listenOnHosts(hosts);
    if (servers.empty())
        return 1;
    for (const auto& server : servers)
        server->answer(u"/robots.txt"_s, answer("User-agent: *\nDisallow: /cgi-bin/\n", "text/plain"));
    for (int site = 0; site < count; ++site) {
        TestHttpServer& server = *servers[size_t(site % hosts)];
        server.answer(u"/site/%1/"_s.arg(site), answer(topPage(site), "text/html"));
        server.answer(u"/site/%1/link.html"_s.arg(site), answer(linkPage(site), "text/html"));
    }
    return serveUntilInputEnds(servers);
}

bool runLinkPagesBench()
{
    std::printf("\nlink page search: %d entries whose link back is on link.html, one step from their top "
                "page, on %d local hosts answering after %d ms\n",
                entryCount, hostCount, answerDelayMs);
    // The servers run in a process of their own, so that the timing counts none of their work.
    QProcess servers;
    servers.start(QCoreApplication::applicationFilePath(),
                  {u"--serve-link-pages"_s, QString::number(answerDelayMs), QString::number(hostCount),
                   QString::number(entryCount)});
    const QList<QByteArray> ports =
        servers.waitForReadyRead(30000) ? servers.readLine().trimmed().split(' ') : QList<QByteArray>();
    if (ports.size() != hostCount) {
        std::printf("the local servers did not start\n");
        return false;
    }
    QStringList lines;
    for (int site = 0; site < entryCount; ++site) {
        const QString base = u"http://127.0.0.%1:%2"_s.arg(site % hostCount + 1)
                                 .arg(QString::fromLatin1(ports[site % hostCount]));
        lines.append(composeEntry({QString::fromUtf16(defaultBannerUrl), u"サイト %1"_s.arg(site),
                                   base + u"/site/%1/"_s.arg(site)}));
    }

    // No link page remembered: every one is found through its top page.
    QTemporaryDir cache;
    CheckOptions options;
    options.linkPageMemoryFile = cache.filePath(u"linkpages.txt"_s);
    LinkChecker checker;
    checker.setOptions(options);
    QEventLoop loop;
    QObject::connect(&checker, &LinkChecker::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    checker.start({lines, ownUrl, {}});
    loop.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    int found = 0;
    for (qsizetype row = 0; row < checker.results().size(); ++row) {
        const EntryCheck result = checker.results().at(row);
        found += result.backlink == BacklinkStatus::Found && result.foundAt.endsWith(u"/link.html"_s);
    }
    servers.write("\n");
    servers.waitForReadyRead(10000);
    const qint64 requests = servers.readLine().trimmed().toLongLong();
    servers.closeWriteChannel();
    servers.waitForFinished(5000);

    // What must be read: each top page, each link page, and each host's robots.txt once.
    const qint64 needed = 2 * entryCount + hostCount;
    const double ideal = double(needed) * answerDelayMs / 1000.0 / connections;
    const bool met = found == entryCount && requests == needed && seconds / ideal <= target;
    std::printf("%9s %9s %8s %8s %9s %8s %8s\n", "found at", "requests", "needed", "wall s", "ideal s",
                "ratio", "target");
    std::printf("%9d %9lld %8lld %8.2f %9.2f %8.2f %8s %s\n", found, (long long)requests, (long long)needed,
                seconds, ideal, seconds / ideal, "<= 1.5", met ? "ok" : "MISSED");
    std::fflush(stdout);
    return met;
}

} // namespace siteloom::bench
