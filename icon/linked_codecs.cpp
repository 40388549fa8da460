#include <opencv2/imgcodecs.hpp>

#include "icon/image_codecs.h"

namespace vexlor {

const ImageCodecs& LinkedImageCodecs() {
  static const ImageCodecs codecs = {
      [](const std::string& path, int flags) { return cv::imread(path, flags); },
      [](const cv::Mat& bytes, int flags) { return cv::imdecode(bytes, flags); },
      [](const std::string& extension, const cv::Mat& image, std::vector<uchar>* bytes) {
        return cv::imencode(extension, image, *bytes);
      }};
  return codecs;
}

}  // namespace vexlor
