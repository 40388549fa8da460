#include "opencv/gradient_maps.h"

#include "opencv/lab_icon.h"

namespace vexlor {

GradientMaps ComputeGradientMaps(const cv::Mat& lab) {
  CV_Assert(lab.type() == CV_8UC3 && lab.rows == kNormalisedSide &&
            lab.cols == kNormalisedSide);
  // One pixel wider and higher than the icon: the extra row and column are
  // never written and lie outside Region, like row and column 0.
  const cv::Size mapSize(kNormalisedSide + 1, kNormalisedSide + 1);
  GradientMaps maps{cv::Mat::zeros(mapSize, CV_32FC1),
                    cv::Mat::zeros(mapSize, CV_32FC1)};

  constexpr int kChannels = 3;
  auto lightness = [&lab](int y, int x) {
    return static_cast<double>(lab.ptr<uchar>(y)[x * kChannels]);
  };
  // Every pixel is independent, so the visiting order does not matter.
  for (int y = 1; y < kNormalisedSide - 1; ++y) {
    float* magnitude = maps.magnitude.ptr<float>(y);
    float* orientation = maps.orientation.ptr<float>(y);
    for (int x = 1; x < kNormalisedSide - 1; ++x) {
      const double dx = lightness(y, x + 1) - lightness(y, x - 1);
      const double dy = lightness(y + 1, x) - lightness(y - 1, x);
      magnitude[x] = StoredMagnitude(dx, dy);
      orientation[x] = StoredOrientation(dx, dy);
    }
  }
  return maps;
}

}  // namespace vexlor
