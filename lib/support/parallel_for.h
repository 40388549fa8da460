#ifndef VEXLOR_SUPPORT_PARALLEL_FOR_H_
#define VEXLOR_SUPPORT_PARALLEL_FOR_H_

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace vexlor {

// Runs work(i) for every i in [0, n) on `jobs` threads (0: one per core),
// the calling thread among them; returns when all are done. Items are handed
// out one at a time, so slow ones (a large icon) do not hold up the rest.
template <typename Work>
void ParallelFor(std::size_t n, unsigned jobs, Work work) {
  const unsigned threads = jobs > 0 ? jobs : std::max(1u, std::thread::hardware_concurrency());
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < n;) work(i);
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads && t < n; ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

}  // namespace vexlor

#endif  // VEXLOR_SUPPORT_PARALLEL_FOR_H_
