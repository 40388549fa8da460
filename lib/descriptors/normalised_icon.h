#ifndef VEXLOR_DESCRIPTORS_NORMALISED_ICON_H_
#define VEXLOR_DESCRIPTORS_NORMALISED_ICON_H_

#include <array>
#include <cstdint>

#include "vexlor/bgr_image.h"

namespace vexlor {

// Side of the normalised icon, in pixels.
inline constexpr int kNormalisedSide = 62;

// An icon of kNormalisedSide x kNormalisedSide pixels, 3 samples each, row
// after row: BGR after resampling, Lab after the conversion.
struct NormalisedIcon {
  std::array<std::uint8_t, kNormalisedSide * kNormalisedSide * 3> samples;

  BgrImageView view() const {
    return {samples.data(), kNormalisedSide, kNormalisedSide, kNormalisedSide * 3};
  }
};

// The icon as the descriptors see it before the Lab conversion: resampled
// with the image library's bilinear interpolation, each side on its own (a
// non-square icon is stretched), or copied when it already has the size.
void NormaliseSize(const BgrImageView& icon, NormalisedIcon* bgr);

// The same, then converted to the library's 8-bit Lab (L scaled to 0..255,
// a and b offset by 128).
void NormaliseToLab(const BgrImageView& icon, NormalisedIcon* lab);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_NORMALISED_ICON_H_
