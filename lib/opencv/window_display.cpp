#include "opencv/window_display.h"

#include <opencv2/core.hpp>
#include <opencv2/highgui.hpp>

namespace vexlor {

std::string ShowUntilKeyPressed(const char* name, const BgrImageView& icon) {
  try {
    const cv::Mat shown(icon.rows, icon.cols, CV_8UC3, const_cast<std::uint8_t*>(icon.pixels),
                        icon.stride);
    // Without GUI_NORMAL the Qt backend adds a toolbar and a status bar, and
    // the window no longer takes the size of the image.
    cv::namedWindow(name, cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL);
    cv::imshow(name, shown);
    cv::waitKey(0);
    cv::destroyWindow(name);
  } catch (const cv::Exception& e) {
    return e.err;
  }
  return "";
}

}  // namespace vexlor
