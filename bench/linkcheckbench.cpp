#include "linkcheckbench.h"

#include "checker/linkchecker.h"
#include "html/htmldocument.h"
#include "linkcheck/partnerpage.h"
#include "linkentry/linkentry.h"
#include "testhttpserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace siteloom::bench {

namespace {

constexpr int hostCount = 4; // 2 connections each: the checker's 8 in all
constexpr int answerDelayMs = 50;

// A GIF banner of the usual size, put together by hand (Qt writes no GIF).
const QByteArray
    bannerBytes("GIF89a\x58\0\x1f\0\x80\0\0\0\0\0\xff\xff\xff,\0\0\0\0\x58\0\x1f\0\0\x02\x01\x2c\0;", 34);

// The servers run in a process of their own, so that neither the timing nor the memory of the
// check counts their work.
struct Servers
{
    QProcess process;
    QStringList bases; // "http://127.0.0.N:PORT"

    bool start(int delayMs, bool partnerPages = false)
    {
        QStringList arguments = {u"--serve"_s, QString::number(delayMs), QString::number(hostCount)};
        if (partnerPages)
            arguments.append(u"pages"_s);
        process.start(QCoreApplication::applicationFilePath(), arguments);
        if (!process.waitForReadyRead(10000))
            return false;
        const QList<QByteArray> ports = process.readLine().trimmed().split(' ');
        for (int i = 0; i < ports.size(); ++i)
            bases.append(u"http://127.0.0.%1:%2"_s.arg(i + 1).arg(QString::fromLatin1(ports[i])));
        return bases.size() == hostCount;
    }
    qint64 requests()
    {
        process.write("\n");
        process.waitForReadyRead(10000);
        return process.readLine().trimmed().toLongLong();
    }
    ~Servers()
    {
        process.closeWriteChannel();
        process.waitForFinished(5000);
    }
};

QStringList entries(const Servers& servers, int count)
{
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        lines.append(
            composeEntry({servers.bases[(i + 1) % hostCount] + u"/banner/%1.gif"_s.arg(i),
                          u"サイト %1"_s.arg(i), servers.bases[i % hostCount] + u"/site/%1/"_s.arg(i)}));
    }
    return lines;
}

// Runs a check to its end; the number of entries with a problem, or -1 when it did not end.
int check(const QStringList& lines)
{
    LinkChecker checker;
    QEventLoop loop;
    QObject::connect(&checker, &LinkChecker::finished, &loop, &QEventLoop::quit);
    checker.start({lines, {}, {}});
    loop.exec();
    return checker.checkedCount() == lines.size() ? checker.results().problemCount() : -1;
}

// Debian's linkchecker on the same addresses, from a page that links every site and shows every
// banner, with as many threads as the checker has connections.
double timeLinkchecker(const QStringList& lines, int connections)
{
    QTemporaryDir dir;
    QString page = u"<html><body>\n"_s;
    for (const QString& line : lines) {
        const LinkEntry entry = splitEntry(line);
        page += u"<a href=\"%1\"><img src=\"%2\"></a>\n"_s.arg(entry.siteUrl, entry.bannerUrl);
    }
    page += u"</body></html>\n"_s;
    QFile file(dir.filePath(u"links.html"_s));
    QFile config(dir.filePath(u"linkcheckerrc"_s));
    if (!file.open(QIODevice::WriteOnly) || file.write(page.toUtf8()) < 0 ||
        !config.open(QIODevice::WriteOnly))
        return -1;
    // Its default of 10 requests a second per host would measure that limit, not the tool; the
    // servers send the header that lets it go faster.
    config.write("[checking]\nmaxrequestspersecond=1000\n");
    file.close();
    config.close();
    // Run as root, it drops to "nobody", who must still read the page and the settings.
    const auto readable =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto searchable = readable | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    if (!QFile::setPermissions(dir.path(), searchable) || !file.setPermissions(readable) ||
        !config.setPermissions(readable))
        return -1;
    QProcess linkchecker;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, dir.path());
    environment.insert(u"no_proxy"_s, u"*"_s);
    linkchecker.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    linkchecker.start(u"linkchecker"_s, {u"--threads"_s, QString::number(connections), u"--no-robots"_s,
                                         u"--check-extern"_s, u"-r"_s, u"1"_s, u"--no-status"_s, u"-o"_s,
                                         u"none"_s, u"-f"_s, config.fileName(), file.fileName()});
    if (!linkchecker.waitForFinished(600000))
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

namespace {
QByteArray partnerPage(int variant);
} // namespace

std::vector<std::unique_ptr<TestHttpServer>> listenOnHosts(int hosts)
{
    std::vector<std::unique_ptr<TestHttpServer>> servers;
    for (int i = 0; i < hosts; ++i) {
        auto server = std::make_unique<TestHttpServer>();
        if (!server->listen(QHostAddress(u"127.0.0.%1"_s.arg(i + 1))))
            return {};
        servers.push_back(std::move(server));
    }
    return servers;
}

int serveUntilInputEnds(const std::vector<std::unique_ptr<TestHttpServer>>& servers)
{
    QByteArray ports;
    for (const auto& server : servers)
        ports += (ports.isEmpty() ? "" : " ") + server->url(u"/"_s).section(u':', 2).chopped(1).toLatin1();
    std::printf("%s\n", ports.constData());
    std::fflush(stdout);
    // Each line on standard input asks how many requests came so far; its end ends the servers.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&servers] {
        char byte;
        if (::read(STDIN_FILENO, &byte, 1) <= 0) {
            QCoreApplication::quit();
        } else if (byte == '\n') {
            qsizetype requests = 0;
            for (const auto& server : servers)
                requests += server->requests().size();
            std::printf("%lld\n", (long long)requests);
            std::fflush(stdout);
        }
    });
    return QCoreApplication::exec();
}

int runServeChild(int delayMs, int hosts, bool partnerPages)
{
    const std::vector<std::unique_ptr<TestHttpServer>> servers = listenOnHosts(hosts);
    if (servers.empty())
        return 1;
    for (int i = 0; i < hosts; ++i) {
        if (partnerPages)
            servers[size_t(i)]->answerAll(
                TestHttpServer::Response{200, {{"Content-Type", "text/html"}}, partnerPage(i), 0});
        else
            servers[size_t(i)]->answerAll(
                TestHttpServer::Response{200,
                                         {{"Content-Type", "image/gif"}, {"LinkChecker", "1"}},
                                         bannerBytes,
                                         delayMs,
                                         false,
                                         false});
    }
    return serveUntilInputEnds(servers);
}

int runCheckMemoryChild(int count)
{
    Servers servers;
    if (!servers.start(0))
        return 1;
    const QStringList lines = entries(servers, count);
    malloc_trim(0);
    if (!resetPeak())
        return 1;
    const qint64 base = statusValue("VmRSS");
    const auto heap = [] {
        const struct mallinfo2 info = mallinfo2();
        return qint64(info.uordblks + info.hblkhd);
    };
    const qint64 heapBase = heap();
    LinkChecker checker;
    QEventLoop loop;
    QObject::connect(&checker, &LinkChecker::finished, &loop, &QEventLoop::quit);
    checker.start({lines, {}, {}});
    loop.exec();
    if (checker.checkedCount() != count)
        return 1;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // What the finished check still holds: its results and the network access it keeps.
    std::printf("%lld %lld\n", (long long)(statusValue("VmHWM") - base), (long long)(heap() - heapBase));
    return 0;
}

bool runLinkCheckBench()
{
    constexpr int count = 1000;
    constexpr int connections = 8;
    std::printf(
        "\nlink check: %d entries (a site and a banner each) on %d local hosts answering after %d ms\n",
        count, hostCount, answerDelayMs);
    Servers servers;
    if (!servers.start(answerDelayMs)) {
        std::printf("the local servers did not start\n");
        return false;
    }
    const QStringList lines = entries(servers, count);
    // The ideal for the requests each tool made: all of them, answered 50 ms later, spread evenly
    // over the connections.
    const auto ideal = [](qint64 requests) {
        return double(requests) * answerDelayMs / 1000.0 / connections;
    };
    QElapsedTimer timer;
    timer.start();
    const int problems = check(lines);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const qint64 requests = servers.requests();
    const bool met = problems == 0 && seconds / ideal(requests) <= 1.3;
    std::printf("%-12s %9s %8s %9s %8s %8s\n", "tool", "requests", "wall s", "ideal s", "ratio", "target");
    std::printf("%-12s %9lld %8.2f %9.2f %8.2f %8s %s\n", "siteloom", (long long)requests, seconds,
                ideal(requests), seconds / ideal(requests), "<= 1.3", met ? "ok" : "MISSED");
    if (QStandardPaths::findExecutable(u"linkchecker"_s).isEmpty()) {
        std::printf("%-12s (not installed: apt-get install linkchecker)\n", "linkchecker");
    } else {
        const double other = timeLinkchecker(lines, connections);
        const qint64 otherRequests = servers.requests() - requests;
        std::printf("%-12s %9lld %8.2f %9.2f %8.2f\n", "linkchecker", (long long)otherRequests, other,
                    ideal(otherRequests), other / ideal(otherRequests));
        std::printf("(same addresses, %d connections each: siteloom took %.2fx linkchecker's wall time)\n",
                    connections, seconds / other);
    }
    std::fflush(stdout);

    // Everything the check adds to the process beyond the list's lines counts: its data, Qt's
    // network thread and buffers, the code it pages in.
    constexpr int memoryCount = 10000;
    constexpr double memoryTarget = 3.0; // MiB: "a few"
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"--check-memory"_s, QString::number(memoryCount)});
    child.waitForFinished(600000);
    const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
    const double growth = double(numbers.value(0).toLongLong()) / (1024.0 * 1024.0);
    const double held = double(numbers.value(1).toLongLong()) / (1024.0 * 1024.0);
    const bool memoryMet = child.exitCode() == 0 && growth > 0 && growth <= memoryTarget;
    std::printf("peak memory of a check of %d entries beyond the list: %.2f MiB (target <= %.0f MiB) %s; "
                "the finished check still holds %.2f MiB\n",
                memoryCount, growth, memoryTarget, memoryMet ? "ok" : "MISSED", held);
    std::fflush(stdout);
    return met && memoryMet;
}

namespace {

// The process's cpu time, every thread's, in nanoseconds.
qint64 processCpu()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The same transfers as the check makes of the partners' pages, without the search: every page read
// whole (8 at once, 2 per host, hosts taking turns) and decoded in its charset.
bool fetchPages(const QStringList& urls)
{
    QNetworkAccessManager manager;
    qsizetype next = 0;
    int running = 0;
    int failed = 0;
    QEventLoop loop;
    std::function<void()> startMore = [&] {
        while (running < 8 && next < urls.size()) {
            QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(urls[next++])));
            ++running;
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
                const QByteArray body = reply->readAll();
                failed += reply->error() != QNetworkReply::NoError ||
                          decodePartnerPage(
                              body, reply->header(QNetworkRequest::ContentTypeHeader).toString().toLatin1())
                              .isEmpty();
                reply->deleteLater();
                --running;
                startMore();
                if (running == 0)
                    loop.quit();
            });
        }
    };
    startMore();
    if (running > 0)
        loop.exec();
    return failed == 0;
}

} // namespace

bool runBacklinkCheckRow(int repetitions)
{
    constexpr int pages = 200;
    Servers servers;
    if (!servers.start(0, true)) {
        std::printf("the local servers did not start\n");
        return false;
    }
    QStringList lines;
    QStringList urls;
    for (int i = 0; i < pages; ++i) {
        urls.append(servers.bases[i % hostCount] + u"/links/%1.html"_s.arg(i));
        lines.append(
            composeEntry({QString::fromUtf16(defaultBannerUrl), u"サイト %1"_s.arg(i), urls.last()}));
    }
    const QString ownUrl = u"http://own.example/相互/"_s;
    std::vector<double> checkWall, checkCpu, floorWall, floorCpu;
    bool allFound = true;
    for (int round = 0; round <= repetitions; ++round) {
        for (const bool search : {round % 2 == 0, round % 2 != 0}) {
            QElapsedTimer timer;
            timer.start();
            const qint64 cpu = processCpu();
            if (search) {
                LinkChecker checker;
                QEventLoop loop;
                QObject::connect(&checker, &LinkChecker::finished, &loop, &QEventLoop::quit);
                checker.start({lines, ownUrl, {}});
                loop.exec();
                allFound =
                    allFound && checker.checkedCount() == pages && checker.results().problemCount() == 0;
            } else {
                allFound = fetchPages(urls) && allFound;
            }
            if (round == 0)
                continue; // warming up
            (search ? checkWall : floorWall).push_back(double(timer.nsecsElapsed()) / 1e9);
            (search ? checkCpu : floorCpu).push_back(double(processCpu() - cpu) / 1e6 / pages);
        }
    }
    std::vector<double> ratios;
    for (size_t i = 0; i < checkWall.size(); ++i)
        ratios.push_back(checkWall[i] / floorWall[i]);
    const double ratio = medianOf(ratios);
    const double searchCpu = medianOf(checkCpu) - medianOf(floorCpu);
    const bool met = allFound && ratio <= 1.5 && searchCpu <= 5.0;
    std::printf("%-9s %9.3f %9.3f %-28s %7.2fx %-10s %s\n", "link back", medianOf(checkWall),
                medianOf(floorWall), "the transfers alone", ratio, "<= 1.5x", met ? "ok" : "MISSED");
    std::printf(
        "          (%d partner pages of 500 KB in Shift_JIS, the link near the end; cpu per page: check "
        "%.2f ms, transfers alone %.2f ms, the search %.2f ms, target <= 5 ms%s)\n",
        pages, medianOf(checkCpu), medianOf(floorCpu), searchCpu, allFound ? "" : "; A LINK WAS NOT FOUND");
    std::fflush(stdout);
    return met;
}

namespace {

// The thread's cpu time, in nanoseconds.
qint64 threadCpu()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// A partner's link collection page of about 500 KB in Shift_JIS, naming no charset (so that it is
// detected, as many are), with the owner's link near its end among hundreds of others.
QByteArray partnerPage(int variant)
{
    QString page = u"<html><head><title>リンク集</title><style>td { font-size: 12px }</style>"
                   u"<script>var visits = 0; document.write('<a href=\"http://nowhere.example/\">');</script>"
                   u"</head><body><h1>お友達のホームページ</h1><table>"_s;
    for (int i = 0; page.size() < 460000; ++i) {
        page += u"<tr><td><a href=\"http://www.site%1-%2.example.jp/~user/\" target=_blank>"
                u"<img src=\"http://www.site%1.example.jp/img/banner.gif\" width=88 height=31 "
                u"alt='バナー &amp; 日記'></a></td><td>旅行記と写真館、猫の部屋 No.%1<br>"
                u"<!-- 更新 --> 毎週更新しています&hellip;</td></tr>\n"_s.arg(i)
                    .arg(variant);
    }
    page += u"<tr><td><A HREF=http://own.example/%E7%9B%B8%E4%BA%92/>相互リンク</A></td></tr>"
            u"</table><p>Copyright</p></body></html>"_s;
    QStringEncoder encoder("Shift_JIS");
    return encoder.encode(page);
}

} // namespace

bool runBacklinkBench()
{
    constexpr int pages = 40;
    std::vector<QByteArray> bodies;
    for (int i = 0; i < pages; ++i)
        bodies.push_back(partnerPage(i));
    // The floor: the page read in its charset (detected), which the search cannot do without.
    std::vector<double> decodeOnly;
    std::vector<double> searched;
    std::vector<double> tree;
    bool found = true;
    for (int round = 0; round < 3; ++round) {
        for (const QByteArray& body : bodies) {
            qint64 start = threadCpu();
            const QString text = decodePartnerPage(body, "text/html");
            decodeOnly.push_back(double(threadCpu() - start));
            start = threadCpu();
            const QString again = decodePartnerPage(body, "text/html");
            found = found && pageLinksBack(again, u"http://partner.example/links.html",
                                           u"http://own.example/相互/", {}) == BacklinkStatus::Found;
            searched.push_back(double(threadCpu() - start));
            if (round == 0) {
                start = threadCpu();
                const HtmlDocument document(again);
                tree.push_back(double(threadCpu() - start));
            }
        }
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    const double perPage = median(searched) / 1e6;
    const double floor = median(decodeOnly) / 1e6;
    const double kilobytes = double(bodies.front().size()) / 1024;
    const bool met = found && perPage - floor <= 5.0 * kilobytes / 500;
    std::printf("\nlink back on a partner page of %.0f KB in Shift_JIS (cpu per page, median of %d)\n",
                kilobytes, int(searched.size()));
    std::printf(
        "decoded and searched %.2f ms, decoded only %.2f ms: the search %.2f ms (target <= %.1f) %s\n",
        perPage, floor, perPage - floor, 5.0 * kilobytes / 500, met ? "ok" : "MISSED");
    std::printf("(building the page's tree instead, as the search once did: %.2f ms)\n", median(tree) / 1e6);
    std::fflush(stdout);
    return met;
}

} // namespace siteloom::bench
