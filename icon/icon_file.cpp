#include "icon/icon_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>

namespace {

constexpr int kIconReadMode = cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION;

bool IsIcon(const cv::Mat& image) {
  return !image.empty() && image.type() == CV_8UC3;
}

// imwrite says only "false" when it cannot create the file; find out why.
std::string WhyNotWritable(const char* path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec))
    return std::strerror(ENOENT);
  if (::access(folder.c_str(), W_OK) != 0) return std::strerror(errno);
  if (::access(path, F_OK) == 0 && ::access(path, W_OK) != 0)
    return std::strerror(errno);
  return "the image writer failed";
}

}  // namespace

cv::Mat LoadIcon(const char* path) {
  try {
    cv::Mat icon = cv::imread(path, kIconReadMode);
    if (IsIcon(icon)) return icon;
  } catch (const cv::Exception&) {
  } catch (const std::bad_alloc&) {
  }
  return cv::Mat();
}

cv::Mat DecodeIcon(const cv::Mat& encoded) {
  try {
    cv::Mat icon = cv::imdecode(encoded, kIconReadMode);
    if (IsIcon(icon)) return icon;
  } catch (const cv::Exception&) {
  } catch (const std::bad_alloc&) {
  }
  return cv::Mat();
}

bool SaveIcon(const char* path, const cv::Mat& icon, std::string* error) {
  try {
    if (cv::imwrite(path, icon)) return true;
    *error = WhyNotWritable(path);
  } catch (const cv::Exception& e) {
    *error = e.err;
  } catch (const std::bad_alloc&) {
    *error = "out of memory";
  }
  return false;
}

void QuietImageLibrary() {
  cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
}
