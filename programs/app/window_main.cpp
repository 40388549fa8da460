// vexlor-window: shows one icon in the window "ProcessedIcon" until a key is
// pressed. vexlor starts it for -SF and sends the pixels on standard input
// (see app/window.h); it is the only program that loads the GUI toolkit, so a
// toolkit that aborts takes only this process down. Exit status 0 once a key
// was pressed; otherwise one line on standard error says why.

#include <cstdio>
#include <string>
#include <vector>

#include "app/window.h"
#include "opencv/window_display.h"

namespace {

constexpr const char* kWindowName = "ProcessedIcon";
constexpr long kMaxSide = 1 << 20;

// The icon as vexlor sends it: "ROWS COLS\n", then the rows of blue, green,
// red.
bool ReadIcon(std::vector<std::uint8_t>* pixels, vexlor::BgrImageView* icon) {
  long rows = 0, cols = 0;
  if (std::scanf("%ld %ld", &rows, &cols) != 2 || std::getchar() != '\n' || rows <= 0 ||
      cols <= 0 || rows > kMaxSide || cols > kMaxSide)
    return false;
  const std::size_t stride = static_cast<std::size_t>(cols) * 3;
  pixels->resize(stride * static_cast<std::size_t>(rows));
  if (std::fread(pixels->data(), 1, pixels->size(), stdin) != pixels->size()) return false;
  *icon = {pixels->data(), static_cast<int>(rows), static_cast<int>(cols), stride};
  return true;
}

}  // namespace

int main() {
  using namespace vexlor;
  std::vector<std::uint8_t> pixels;
  BgrImageView icon;
  if (!ReadIcon(&pixels, &icon)) {
    std::fprintf(stderr, "vexlor-window: no icon on standard input\n");
    return 2;
  }
  const std::string why = WhyNoWindow();
  if (!why.empty()) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 2;
  }
  if (const std::string failed = ShowUntilKeyPressed(kWindowName, icon); !failed.empty()) {
    std::fprintf(stderr, "%s\n", failed.c_str());
    return 2;
  }
  return 0;
}
