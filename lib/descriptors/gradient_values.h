#ifndef VEXLOR_DESCRIPTORS_GRADIENT_VALUES_H_
#define VEXLOR_DESCRIPTORS_GRADIENT_VALUES_H_

#include <cmath>

// The image library's pi, defined alike where its headers are not included.
#ifndef CV_PI
#define CV_PI 3.1415926535897932384626433832795
#endif

namespace vexlor {

// The values the maps store for central differences (dx, dy). Everything
// that needs a pixel's gradient goes through these two.
inline float StoredMagnitude(double dx, double dy) {
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}
inline float StoredOrientation(double dx, double dy) {
  const double theta = std::atan2(dy, dx);
  // Keeps orientations in [-pi, pi): a gradient pointing left is -pi.
  return static_cast<float>(theta == CV_PI ? -CV_PI : theta);
}

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_GRADIENT_VALUES_H_
