#include "opencv/interleaved_icon.h"

#include <opencv2/imgproc.hpp>

#include "pixels/composite.h"

namespace vexlor {

cv::Mat IconFromInterleaved(const std::uint8_t* samples, int rows, int cols, int channels, bool rgb,
                            const Background& background) {
  const cv::Mat view(rows, cols, CV_8UC(channels), const_cast<std::uint8_t*>(samples));
  cv::Mat icon;
  switch (channels) {
    case 1: cv::cvtColor(view, icon, cv::COLOR_GRAY2BGR); break;
    case 3: rgb ? cv::cvtColor(view, icon, cv::COLOR_RGB2BGR) : view.copyTo(icon); break;
    default: cv::cvtColor(view, icon, rgb ? cv::COLOR_RGBA2BGR : cv::COLOR_BGRA2BGR); break;
  }
  if (channels == 4 && background.set)
    for (int y = 0; y < icon.rows; ++y)
      CompositeRow(icon.ptr<std::uint8_t>(y), view.ptr<std::uint8_t>(y) + 3, 4,
                   static_cast<std::size_t>(icon.cols), background);
  return icon;
}

}  // namespace vexlor
