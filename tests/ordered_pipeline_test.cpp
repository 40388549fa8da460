#include "batch/ordered_pipeline.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace vexlor;

// A pipeline over the numbers 0..count-1 whose work takes an uneven time,
// so that later items often finish before earlier ones.
struct Numbers {
  explicit Numbers(int count) : count(count) {}

  OrderedPipeline<> Make(unsigned jobs, size_t window) {
    OrderedPipeline<> p;
    p.next = [this]() -> std::optional<std::string> {
      if (produced == count) return std::nullopt;
      const int n = produced++;
      maxOutstanding = std::max(maxOutstanding.load(), produced.load() - emitted.load());
      return std::to_string(n);
    };
    p.work = [](const std::string& item) {
      std::this_thread::sleep_for(std::chrono::microseconds((std::stoi(item) * 7919) % 300));
      return "<" + item + ">";
    };
    p.emit = [this](std::string&& result) {
      results.push_back(std::move(result));
      ++emitted;
      return true;
    };
    p.jobs = jobs;
    p.window = window;
    return p;
  }

  int count;
  std::atomic<int> produced{0}, emitted{0}, maxOutstanding{0};
  std::vector<std::string> results;
};

std::vector<std::string> Expected(int count) {
  std::vector<std::string> expected;
  for (int i = 0; i < count; ++i) expected.push_back("<" + std::to_string(i) + ">");
  return expected;
}

TEST(OrderedPipeline, EmitsEveryResultInInputOrderWhateverTheThreadCount) {
  for (unsigned jobs : {1u, 2u, 8u}) {
    Numbers numbers(500);
    EXPECT_EQ(numbers.Make(jobs, 16).Run(), 500u);
    EXPECT_EQ(numbers.results, Expected(500)) << jobs << " jobs";
  }
}

TEST(OrderedPipeline, KeepsAtMostTheWindowBetweenReadingAndEmitting) {
  Numbers numbers(2000);
  numbers.Make(4, 8).Run();
  EXPECT_EQ(numbers.results.size(), 2000u);
  EXPECT_LE(numbers.maxOutstanding.load(), 8);
}

TEST(OrderedPipeline, HandlesEmptyInputAndAWindowOfOne) {
  Numbers none(0);
  EXPECT_EQ(none.Make(3, 4).Run(), 0u);
  Numbers some(50);
  EXPECT_EQ(some.Make(3, 1).Run(), 50u);
  EXPECT_EQ(some.results, Expected(50));
}

TEST(OrderedPipeline, StopsReadingWhenEmitRefuses) {
  Numbers numbers(100000);
  OrderedPipeline<> p = numbers.Make(2, 8);
  p.emit = [&](std::string&& result) {
    numbers.results.push_back(std::move(result));
    ++numbers.emitted;
    return numbers.results.size() < 10;
  };
  EXPECT_EQ(p.Run(), 10u);
  EXPECT_EQ(numbers.results, Expected(10));
  EXPECT_LE(numbers.produced.load(), 10 + 8);
}

TEST(OrderedPipeline, CallsIdleBeforeWaiting) {
  Numbers numbers(20);
  OrderedPipeline<> p = numbers.Make(2, 4);
  int idleCalls = 0;
  p.idle = [&] { ++idleCalls; };
  p.Run();
  EXPECT_GT(idleCalls, 0);
}

}  // namespace
