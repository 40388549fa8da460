#include "batch/ordered_pipeline.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Shared state. Items are numbered in reading order; the result of item n
// lives in slot n % window until it is emitted.
struct State {
  explicit State(std::size_t window) : slots(window), done(window, false) {}

  std::mutex mutex;
  std::condition_variable resultReady;  // the result the emitter waits for
  std::condition_variable spaceFree;    // the window has room again
  std::vector<std::string> slots;
  std::vector<bool> done;
  std::size_t read = 0;     // items read so far
  std::size_t emitted = 0;  // items emitted so far
  unsigned workersWaitingForSpace = 0;
  bool endOfInput = false;
  bool stopping = false;
};

}  // namespace

std::size_t OrderedPipeline::Run() const {
  if (jobs <= 1) return RunOnThisThread();
  const std::size_t slotCount = window == 0 ? 1 : window;
  State s(slotCount);

  // Each worker reads its own next item (under the lock, so items keep
  // their order), works on it unlocked, and files the result in its slot.
  auto workLoop = [&] {
    std::unique_lock lock(s.mutex);
    for (;;) {
      while (!s.stopping && !s.endOfInput && s.read - s.emitted >= slotCount) {
        ++s.workersWaitingForSpace;
        s.spaceFree.wait(lock);
        --s.workersWaitingForSpace;
      }
      if (s.stopping || s.endOfInput) break;
      std::optional<std::string> item = next();
      if (!item) {
        s.endOfInput = true;
        s.resultReady.notify_all();
        s.spaceFree.notify_all();
        break;
      }
      const std::size_t number = s.read++;
      lock.unlock();
      std::string result = work(*item);
      lock.lock();
      s.slots[number % slotCount] = std::move(result);
      s.done[number % slotCount] = true;
      if (number == s.emitted) s.resultReady.notify_one();
    }
  };
  std::vector<std::thread> workers;
  for (unsigned i = 0; i < jobs; ++i) workers.emplace_back(workLoop);

  std::unique_lock lock(s.mutex);
  for (;;) {
    const std::size_t slot = s.emitted % slotCount;
    if (!s.done[slot]) {
      if (s.endOfInput && s.emitted == s.read) break;
      lock.unlock();
      idle();
      lock.lock();
      s.resultReady.wait(lock, [&] {
        return s.done[slot] || (s.endOfInput && s.emitted == s.read);
      });
      if (!s.done[slot]) break;
    }
    std::string result = std::move(s.slots[slot]);
    s.done[slot] = false;
    lock.unlock();
    const bool goOn = emit(std::move(result));
    lock.lock();
    ++s.emitted;
    if (s.workersWaitingForSpace > 0) s.spaceFree.notify_one();
    if (!goOn) break;
  }
  s.stopping = true;
  s.spaceFree.notify_all();
  lock.unlock();
  for (std::thread& worker : workers) worker.join();
  return s.emitted;
}

std::size_t OrderedPipeline::RunOnThisThread() const {
  // One worker: reading, working and emitting in turn is already in order,
  // and costs no hand-over between threads.
  std::size_t emitted = 0;
  while (std::optional<std::string> item = next()) {
    std::string result = work(*item);
    ++emitted;
    if (!emit(std::move(result))) break;
  }
  idle();
  return emitted;
}
