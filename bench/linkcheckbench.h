#pragma once

// The link check's part of the benchmark (linkcheckbench.cpp).
#include <QByteArray>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace siteloom {
class TestHttpServer;
}

namespace siteloom::bench {

// From siteloom_bench.cpp: a value of /proc/self/status in bytes, and the peak resident size
// reset to the current one.
[[nodiscard]] qint64 statusValue(const char* key);
[[nodiscard]] bool resetPeak();

// Times a check of 1,000 entries against local servers that answer after 50 ms, beside the ideal
// for its parallelism and beside Debian's linkchecker on the same addresses; then the peak memory
// a check of 10,000 entries adds beyond the list, in a child process (at most 3 MiB). True when
// the targets are met.
[[nodiscard]] bool runLinkCheckBench();

// The cpu a partner page of 500 KB in Shift_JIS costs the search for the link back, beside reading
// the page in its charset (at most 5 ms per 500 KB). True when the target is met.
[[nodiscard]] bool runBacklinkBench();

// The check of 200 partner pages of 500 KB in Shift_JIS with the link back near their end, beside
// the same transfers without the search (wall, within 1.5 times; the search's cpu at most 5 ms a
// page), medians of `repetitions` runs of each, alternating. True when the targets are met.
[[nodiscard]] bool runBacklinkCheckRow(int repetitions);

// The children: --serve DELAY_MS HOSTS [pages] (the servers, on 127.0.0.1 and up, answering with a
// banner, or with partner pages; prints their ports and runs until its standard input closes) and
// --check-memory N (prints the check's peak growth).
[[nodiscard]] int runServeChild(int delayMs, int hosts, bool partnerPages = false);
[[nodiscard]] int runCheckMemoryChild(int count);
// The servers of a server child, one on each of 127.0.0.1 and up; none when one does not listen.
[[nodiscard]] std::vector<std::unique_ptr<TestHttpServer>> listenOnHosts(int hosts);
// What every server child does once its servers listen: prints their ports, then answers each line
// on standard input with how many requests came so far, until standard input closes.
[[nodiscard]] int serveUntilInputEnds(const std::vector<std::unique_ptr<TestHttpServer>>& servers);

} // namespace siteloom::bench
