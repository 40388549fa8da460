#ifndef VEXLOR_REPORT_PNG_ENCODER_H_
#define VEXLOR_REPORT_PNG_ENCODER_H_

#include <string>

#include "vexlor/bgr_image.h"

namespace vexlor {

// Encodes `image` as an 8-bit RGB PNG into `*bytes`, with fixed settings (no
// time stamp, compression level 6): the same pixels give the same bytes.
// False when libpng fails.
bool EncodePng(const BgrImageView& image, std::string* bytes);

}  // namespace vexlor

#endif  // VEXLOR_REPORT_PNG_ENCODER_H_
