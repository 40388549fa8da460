#include "app/window.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

#include <opencv2/highgui.hpp>

namespace {

constexpr const char* kWindowName = "ProcessedIcon";

// The library's windows come from Qt, which picks its platform from
// QT_QPA_PLATFORM (X11 through xcb by default) and aborts the process when
// that platform cannot start. Returns an empty string when a window can be
// opened, else the reason.
std::string WhyNoWindow() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  std::string_view platform = chosen != nullptr && *chosen != '\0' ? chosen : "xcb";
  platform = platform.substr(0, platform.find(':'));
  if (platform == "xcb") {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return "no display (DISPLAY is not set)";
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool failed = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (failed) return std::string("cannot connect to display '") + display + "'";
  } else if (platform == "wayland") {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display == nullptr || *display == '\0')
      return "no display (WAYLAND_DISPLAY is not set)";
  }
  return "";
}

}  // namespace

bool ShowProcessedIcon(const cv::Mat& icon, std::string* error) {
  *error = WhyNoWindow();
  if (!error->empty()) return false;
  try {
    // Without GUI_NORMAL the Qt backend adds a toolbar and a status bar, and
    // the window no longer takes the size of the image.
    cv::namedWindow(kWindowName, cv::WINDOW_AUTOSIZE | cv::WINDOW_GUI_NORMAL);
    cv::imshow(kWindowName, icon);
    cv::waitKey(0);
    cv::destroyWindow(kWindowName);
  } catch (const cv::Exception& e) {
    *error = e.err;
    return false;
  }
  return true;
}
