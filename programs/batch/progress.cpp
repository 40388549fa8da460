#include "batch/progress.h"

#include <cinttypes>

namespace vexlor {

namespace {

std::string Duration(double seconds) {
  const long long s = static_cast<long long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

}  // namespace

Progress::Progress(std::FILE* terminal, bool enabled, long long total)
    : terminal_(terminal),
      enabled_(enabled),
      total_(total),
      start_(std::chrono::steady_clock::now()),
      // The first draw waits half a second, for a rate worth showing.
      lastDraw_(start_ + std::chrono::milliseconds(400)) {}

std::string Progress::Line(long long done, long long bad, long long total, double seconds) {
  const double rate = seconds > 0 ? done / seconds : 0;
  char text[160];
  if (total >= 0) {
    const double percent = total > 0 ? 100.0 * done / total : 100.0;
    const std::string left = rate > 0 ? Duration((total - done) / rate) : "?";
    std::snprintf(text, sizeof text, "%lld/%lld icons (%.0f%%), %lld bad, %.0f icons/s, %s left",
                  done, total, percent, bad, rate, left.c_str());
  } else {
    std::snprintf(text, sizeof text, "%lld icons, %lld bad, %.0f icons/s", done, bad, rate);
  }
  return text;
}

void Progress::Draw(const std::string& text) {
  // \r returns to the line start, \033[K clears what the last line left.
  std::fprintf(terminal_, "\r%s\033[K", text.c_str());
  std::fflush(terminal_);
}

void Progress::Update(long long done, long long bad) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  Draw(Line(done, bad, total_, std::chrono::duration<double>(now - start_).count()));
}

void Progress::Finish(long long done, long long bad) {
  if (!enabled_) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  Draw(Line(done, bad, -1, seconds) + " in " + Duration(seconds));
  std::fputc('\n', terminal_);
}

}  // namespace vexlor
