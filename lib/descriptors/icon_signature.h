#ifndef VEXLOR_DESCRIPTORS_ICON_SIGNATURE_H_
#define VEXLOR_DESCRIPTORS_ICON_SIGNATURE_H_

#include <cstdint>

#include "descriptors/normalised_icon.h"

namespace vexlor {

// A 64-bit signature of where an icon is light and where dark, beside its
// record for telling copies from look-alikes: the 62 x 62 BGR icon as grey
// ((77 R + 150 G + 29 B + 128) / 256, rounded down), summed over 2 x 2
// blocks to 31 x 31, then its 8 x 8 lowest discrete cosine frequencies (a
// DCT-II whose cosines are rounded to 1/65536), each bit set where a
// frequency is above their median. All in integers, so the same on every
// machine. Resampled, recompressed or slightly recoloured copies keep it
// almost bit for bit; icons of one series with a different emblem mostly
// do not. The same construction as the common perceptual hash (pHash),
// which measured as well in bench/groups_quality.sh.
std::uint64_t IconSignature(const NormalisedIcon& bgr);

// Bits that differ: 0 (alike) to 64.
int SignatureDistance(std::uint64_t a, std::uint64_t b);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_ICON_SIGNATURE_H_
