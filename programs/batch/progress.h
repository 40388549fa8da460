#ifndef VEXLOR_BATCH_PROGRESS_H_
#define VEXLOR_BATCH_PROGRESS_H_

#include <chrono>
#include <cstdio>
#include <string>

namespace vexlor {

// A one-line progress display, redrawn in place on a terminal: icons done,
// rate, and the time left when the total is known. Redraws at most ten times
// a second. Disabled instances do nothing.
class Progress {
 public:
  // `total` < 0: unknown.
  Progress(std::FILE* terminal, bool enabled, long long total);

  void Update(long long done, long long bad);
  // Replaces the display with a closing summary line.
  void Finish(long long done, long long bad);

  // The text of one display line; exposed for tests.
  static std::string Line(long long done, long long bad, long long total, double seconds);

 private:
  void Draw(const std::string& text);

  std::FILE* terminal_;
  bool enabled_;
  long long total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace vexlor

#endif  // VEXLOR_BATCH_PROGRESS_H_
