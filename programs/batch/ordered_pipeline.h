#ifndef VEXLOR_BATCH_ORDERED_PIPELINE_H_
#define VEXLOR_BATCH_ORDERED_PIPELINE_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vexlor {

// Runs `work` over every item that `next` yields, on `jobs` worker threads
// (with one job, everything runs on the calling thread), and hands the
// results to `emit` in the order of the items, as soon as each one and all
// before it are done. At most `window` items are between `next` and `emit` at
// any time, so memory does not grow with the number of items.
//
// `next` is called by one thread at a time, and returns nullopt at the end.
// It may block (a list arriving on a pipe): a worker waiting in it blocks no
// other worker and not the emitter. `work` must not throw. `emit` is called
// from the calling thread; returning false stops the run (no further items
// are read, work in flight is dropped). `idle` is called from the calling
// thread whenever it would wait for the next result, which is the moment to
// flush buffered output. `started` is called from the calling thread once
// the workers run, before anything is emitted.
//
// Returns the number of results emitted.
template <typename Result = std::string, typename Item = std::string>
struct OrderedPipeline {
  std::function<std::optional<Item>()> next;
  std::function<Result(const Item&)> work;
  std::function<bool(Result&&)> emit;
  std::function<void()> idle = [] {};
  std::function<void()> started = [] {};
  unsigned jobs = 1;
  std::size_t window = 64;

  std::size_t Run() const {
    return jobs <= 1 ? RunOnThisThread() : RunOnWorkers();
  }

 private:
  std::size_t RunOnThisThread() const {
    // One worker: reading, working and emitting in turn is already in order,
    // and costs no hand-over between threads.
    std::size_t emitted = 0;
    started();
    while (std::optional<Item> item = next()) {
      Result result = work(*item);
      ++emitted;
      if (!emit(std::move(result))) break;
    }
    idle();
    return emitted;
  }

  std::size_t RunOnWorkers() const;
};

template <typename Result, typename Item>
std::size_t OrderedPipeline<Result, Item>::RunOnWorkers() const {
  // Items are numbered in reading order; the result of item n lives in slot
  // n % slotCount until it is emitted. `reading` is held while a worker
  // waits for room and reads its item, `mutex` only briefly for the shared
  // state: a worker blocked in next() keeps nobody else from filing results.
  const std::size_t slotCount = window == 0 ? 1 : window;
  std::mutex reading, mutex;
  std::condition_variable resultReady, spaceFree;
  std::vector<std::optional<Result>> slots(slotCount);
  std::size_t read = 0, emitted = 0;
  bool endOfInput = false, stopping = false;
  // Waking the emitting thread costs both cores a switch, once per result
  // if done each time: with work in flight it is woken once kWakeBatch
  // results wait, and looks for itself every kLookAgain (so a slow list
  // still gets its lines at once); with none, the next result wakes it.
  constexpr std::size_t kWakeBatch = 128;
  constexpr auto kLookAgain = std::chrono::milliseconds(4);
  bool emitterAsleep = false;

  auto workLoop = [&] {
    for (;;) {
      std::optional<Item> item;
      std::size_t number = 0;
      {
        std::unique_lock readLock(reading);
        {
          std::unique_lock lock(mutex);
          spaceFree.wait(lock, [&] {
            return stopping || endOfInput || read - emitted < slotCount;
          });
          if (stopping || endOfInput) return;
        }
        item = next();
        std::unique_lock lock(mutex);
        if (!item) {
          endOfInput = true;
          resultReady.notify_all();
          spaceFree.notify_all();
          return;
        }
        number = read++;
      }
      Result result = work(*item);
      std::unique_lock lock(mutex);
      slots[number % slotCount] = std::move(result);
      if (number == emitted && (emitterAsleep || endOfInput || read - emitted >= kWakeBatch))
        resultReady.notify_one();
    }
  };
  std::vector<std::thread> workers;
  for (unsigned i = 0; i < jobs; ++i) workers.emplace_back(workLoop);
  started();

  std::unique_lock lock(mutex);
  for (;;) {
    std::optional<Result>& slot = slots[emitted % slotCount];
    if (!slot) {
      if (endOfInput && emitted == read) break;
      lock.unlock();
      idle();
      lock.lock();
      while (!slot && !(endOfInput && emitted == read)) {
        if (read == emitted) {
          emitterAsleep = true;
          resultReady.wait(lock);
          emitterAsleep = false;
        } else {
          resultReady.wait_for(lock, kLookAgain);
        }
      }
      if (!slot) break;
    }
    Result result = std::move(*slot);
    slot.reset();
    lock.unlock();
    const bool goOn = emit(std::move(result));
    lock.lock();
    ++emitted;
    spaceFree.notify_one();
    if (!goOn) break;
  }
  stopping = true;
  spaceFree.notify_all();
  lock.unlock();
  for (std::thread& worker : workers) worker.join();
  return emitted;
}

}  // namespace vexlor

#endif  // VEXLOR_BATCH_ORDERED_PIPELINE_H_
