#include "descriptors/normalised_icon.h"

#include "descriptors/lab_conversion.h"
#include "pixels/bilinear_resize.h"

namespace vexlor {

void NormaliseSize(const BgrImageView& icon, NormalisedIcon* bgr) {
  ResizeBilinear(icon, kNormalisedSide, kNormalisedSide, bgr->samples.data());
}

void NormaliseToLab(const BgrImageView& icon, NormalisedIcon* lab) {
  NormalisedIcon bgr;
  NormaliseSize(icon, &bgr);
  ConvertBgrToLab(bgr.view(), lab->samples.data());
}

}  // namespace vexlor
