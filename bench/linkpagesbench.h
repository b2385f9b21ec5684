#pragma once

// The link page search's part of the benchmark (linkpagesbench.cpp).

namespace siteloom::bench {

// Times a check of 1,000 entries whose link back stands on their link page, one step from their
// top page, against local servers that answer after 50 ms; beside the ideal for the pages it must
// read (every top page, every link page and each host's robots.txt, spread evenly over the
// connections). True when within 1.5 times the ideal and every link back was found.
[[nodiscard]] bool runLinkPagesBench();

// The child: --serve-link-pages DELAY_MS HOSTS COUNT (the partners' sites, on 127.0.0.1 and up;
// prints their ports and runs until its standard input closes).
[[nodiscard]] int runServeLinkPagesChild(int delayMs, int hosts, int count);

} // namespace siteloom::bench
