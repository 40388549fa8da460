#include "batch/ordered_pipeline.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Shared state. Items are numbered in reading order; the result of item n
// lives in slot n % window until it is emitted.
struct State {
  explicit State(std::size_t window) : slots(window), done(window, false) {}

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<std::size_t, std::string>> queue;  // read, not taken
  std::vector<std::string> slots;
  std::vector<bool> done;
  std::size_t read = 0;     // items read so far
  std::size_t emitted = 0;  // items emitted so far
  bool endOfInput = false;
  bool stopping = false;
};

}  // namespace

std::size_t OrderedPipeline::Run() const {
  const std::size_t slotCount = window == 0 ? 1 : window;
  State s(slotCount);

  std::thread reader([&] {
    for (;;) {
      {
        std::unique_lock lock(s.mutex);
        s.changed.wait(lock, [&] { return s.stopping || s.read - s.emitted < slotCount; });
        if (s.stopping) break;
      }
      std::optional<std::string> item = next();
      std::lock_guard lock(s.mutex);
      if (!item) {
        s.endOfInput = true;
        s.changed.notify_all();
        break;
      }
      s.queue.emplace_back(s.read++, std::move(*item));
      s.changed.notify_all();
    }
  });

  std::vector<std::thread> workers;
  for (unsigned i = 0; i < (jobs == 0 ? 1 : jobs); ++i) {
    workers.emplace_back([&] {
      for (;;) {
        std::pair<std::size_t, std::string> item;
        {
          std::unique_lock lock(s.mutex);
          s.changed.wait(lock, [&] { return s.stopping || !s.queue.empty() || s.endOfInput; });
          if (s.stopping || s.queue.empty()) break;
          item = std::move(s.queue.front());
          s.queue.pop_front();
        }
        std::string result = work(item.second);
        std::lock_guard lock(s.mutex);
        s.slots[item.first % slotCount] = std::move(result);
        s.done[item.first % slotCount] = true;
        s.changed.notify_all();
      }
    });
  }

  for (;;) {
    std::string result;
    {
      std::unique_lock lock(s.mutex);
      const std::size_t slot = s.emitted % slotCount;
      if (!s.done[slot] && !(s.endOfInput && s.emitted == s.read)) {
        lock.unlock();
        idle();
        lock.lock();
      }
      s.changed.wait(lock, [&] { return s.done[slot] || (s.endOfInput && s.emitted == s.read); });
      if (!s.done[slot]) break;  // everything read has been emitted
      result = std::move(s.slots[slot]);
      s.slots[slot] = std::string();
      s.done[slot] = false;
    }
    const bool goOn = emit(std::move(result));
    std::lock_guard lock(s.mutex);
    ++s.emitted;
    s.changed.notify_all();
    if (!goOn) {
      s.stopping = true;
      break;
    }
  }

  {
    std::lock_guard lock(s.mutex);
    s.stopping = true;
    s.changed.notify_all();
  }
  reader.join();
  for (std::thread& worker : workers) worker.join();
  return s.emitted;
}
