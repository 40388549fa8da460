#include "descriptors/lab_icon.h"

#include <cstring>

namespace vexlor {

namespace {

template <typename Normalise>
cv::Mat Normalised(const cv::Mat& icon, Normalise normalise) {
  NormalisedIcon normalised;
  normalise(ViewOf(icon), &normalised);
  cv::Mat out(kNormalisedSide, kNormalisedSide, CV_8UC3);
  std::memcpy(out.data, normalised.samples.data(), normalised.samples.size());
  return out;
}

}  // namespace

BgrImageView ViewOf(const cv::Mat& icon) {
  CV_Assert(icon.type() == CV_8UC3 && icon.dims == 2 && !icon.empty());
  return {icon.ptr<std::uint8_t>(), icon.rows, icon.cols, icon.step[0]};
}

cv::Mat NormaliseSize(const cv::Mat& icon) {
  return Normalised(icon, [](const BgrImageView& v, NormalisedIcon* n) { NormaliseSize(v, n); });
}

cv::Mat NormaliseToLab(const cv::Mat& icon) {
  return Normalised(icon, [](const BgrImageView& v, NormalisedIcon* n) { NormaliseToLab(v, n); });
}

}  // namespace vexlor
