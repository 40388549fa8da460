// vexlor-window: shows one icon in the window "ProcessedIcon" until a key is
// pressed. vexlor starts it for -SF and sends the pixels on standard input
// (see app/window.h); it is the only program that loads the GUI toolkit, so a
// toolkit that aborts takes only this process down. Exit status 0 once a key
// was pressed; otherwise one line on standard error says why.

#include <cstdio>
#include <string>

#include <opencv2/core.hpp>
#include <opencv2/highgui.hpp>

#include "app/window.h"

namespace {

constexpr const char* kWindowName = "ProcessedIcon";
constexpr long kMaxSide = 1 << 20;

bool ReadIcon(cv::Mat* icon) {
  long rows = 0, cols = 0;
  if (std::scanf("%ld %ld", &rows, &cols) != 2 || std::getchar() != '\n' || rows <= 0 ||
      cols <= 0 || rows > kMaxSide || cols > kMaxSide)
    return false;
  icon->create(static_cast<int>(rows), static_cast<int>(cols), CV_8UC3);
  for (int r = 0; r < icon->rows; ++r) {
    const size_t bytes = icon->cols * icon->elemSize();
    if (std::fread(icon->ptr(r), 1, bytes, stdin) != bytes) return false;
  }
  return true;
}

}  // namespace

int main() {
  using namespace vexlor;
  cv::Mat icon;
  if (!ReadIcon(&icon)) {
    std::fprintf(stderr, "vexlor-window: no icon on standard input\n");
    return 2;
  }
  const std::string why = WhyNoWindow();
  if (!why.empty()) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 2;
  }
  try {
    // Without GUI_NORMAL the Qt backend adds a toolbar and a status bar, and
    // the window no longer takes the size of the image.
    cv::namedWindow(kWindowName, cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL);
    cv::imshow(kWindowName, icon);
    cv::waitKey(0);
    cv::destroyWindow(kWindowName);
  } catch (const cv::Exception& e) {
    std::fprintf(stderr, "%s\n", e.err.c_str());
    return 2;
  }
  return 0;
}
