#ifndef VEXLOR_DESCRIPTORS_LAB_ICON_H_
#define VEXLOR_DESCRIPTORS_LAB_ICON_H_

#include <opencv2/core.hpp>

namespace vexlor {

// Side of the normalised icon, in pixels.
inline constexpr int kNormalisedSide = 62;

// The icon as the descriptors see it before the Lab conversion: resampled to
// kNormalisedSide x kNormalisedSide as below, or `icon` itself (shared) when
// it already has that size.
cv::Mat NormaliseSize(const cv::Mat& icon);

// Brings an 8-bit BGR icon of any size to kNormalisedSide x kNormalisedSide
// pixels in the library's 8-bit Lab (L scaled to 0..255, a and b offset by
// 128). Each side is resampled on its own with bilinear interpolation, so a
// non-square icon is stretched; an icon that already has the size is only
// converted. `icon` is not changed. Safe on several threads at once.
cv::Mat NormaliseToLab(const cv::Mat& icon);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_LAB_ICON_H_
