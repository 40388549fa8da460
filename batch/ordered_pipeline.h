#ifndef VEXLOR_BATCH_ORDERED_PIPELINE_H_
#define VEXLOR_BATCH_ORDERED_PIPELINE_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// Runs `work` over every item that `next` yields, on `jobs` worker threads
// (with one job, everything runs on the calling thread),
// and hands the results to `emit` in the order of the items, as soon as each
// one and all before it are done. At most `window` items are between `next`
// and `emit` at any time, so memory does not grow with the number of items.
//
// `next` is called by one thread at a time, and returns nullopt at the end.
// `emit` is called from the calling thread; returning false stops the run
// (no further items are read, work in flight is dropped). `idle` is called
// from the calling thread whenever it would wait for the next result, which
// is the moment to flush buffered output.
//
// Returns the number of results emitted.
struct OrderedPipeline {
  std::function<std::optional<std::string>()> next;
  std::function<std::string(const std::string&)> work;
  std::function<bool(std::string&&)> emit;
  std::function<void()> idle = [] {};
  unsigned jobs = 1;
  std::size_t window = 64;

  std::size_t Run() const;

 private:
  std::size_t RunOnThisThread() const;
};

#endif  // VEXLOR_BATCH_ORDERED_PIPELINE_H_
