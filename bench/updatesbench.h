#pragma once

// The update check's part of the benchmark (updatesbench.cpp).

namespace siteloom::bench {

// Two update checks of 1,000 partners on local servers that answer after 50 ms, half of them with
// a feed, every page and feed with an ETag: the first records them, the second, with nothing
// changed, must be answered 304 for at least 90% of them and take at most 1.3 times the ideal
// for the requests it makes at its parallelism. True when the targets are met.
[[nodiscard]] bool runUpdatesBench();

} // namespace siteloom::bench
