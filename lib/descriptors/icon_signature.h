#ifndef VEXLOR_DESCRIPTORS_ICON_SIGNATURE_H_
#define VEXLOR_DESCRIPTORS_ICON_SIGNATURE_H_

#include <array>
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
// If `steady` is given, it is set to the signature's steady bits: those
// whose frequency lies more than a tenth of the frequencies' interquartile
// range (the 17th to the 48th of the 64 in order) from their median. A
// symmetric icon has many frequencies at or near the median, and the noise
// of a JPEG or a recolouring flips their bits by the dozen; it keeps the
// steady ones.
std::uint64_t IconSignature(const NormalisedIcon& bgr, std::uint64_t* steady = nullptr);

// Bits that differ: 0 (alike) to 64.
int SignatureDistance(std::uint64_t a, std::uint64_t b);

// The icon's mean grey in each cell of an 8 x 8 grid over the 62 x 62 icon
// (cells 7 or 8 pixels a side, at multiples of 62 / 8 rounded down; the grey
// as above; each mean rounded half up), row by row. Where the signature
// weighs the whole picture, this keeps where it changes: an emblem or a
// level bar moves a few cells far and leaves the rest, which the signature
// may not notice, where a resampled, blurred, recompressed or recoloured
// copy moves every cell a little or all of them alike.
inline constexpr int kGreyMapSide = 8;
using GreyMap = std::array<std::uint8_t, kGreyMapSide * kGreyMapSide>;
GreyMap IconGreyMap(const NormalisedIcon& bgr);

// The same means over a 16 x 16 grid (cells 3 or 4 pixels a side, at
// multiples of 62 / 16 rounded down). Two icons of one size drawn from one
// source but for a detail (a calendar's day, a small badge) match in all
// its cells but the detail's, where the 8 x 8 map's larger cells blur the
// detail into the resampling noise of any copy.
inline constexpr int kDetailMapSide = 16;
using DetailMap = std::array<std::uint8_t, kDetailMapSide * kDetailMapSide>;
DetailMap IconDetailMap(const NormalisedIcon& bgr);

// The icon's mean colour in each cell of a 4 x 4 grid over the 62 x 62 icon
// (cells 15 or 16 pixels a side, at multiples of 62 / 4 rounded down), row
// by row, as two opposing values: red against green (R - G, -255 to 255)
// and yellow against blue ((R + G) / 2 - B, -255 to 255), each mean
// rounded toward zero. Where the grey map is blind to hue, this tells a
// yellow coin from a green one, and a coloured logo from its grey version.
inline constexpr int kColourMapSide = 4;
using ColourMap = std::array<std::int16_t, 2 * kColourMapSide * kColourMapSide>;
ColourMap IconColourMap(const NormalisedIcon& bgr);

// What groups weigh of an icon beside its record.
struct IconLook {
  std::uint64_t signature = 0;               // IconSignature
  GreyMap grey{};                            // IconGreyMap
  std::uint64_t steady = ~std::uint64_t{0};  // the signature's steady bits (all, if not known)
  ColourMap colour{};                        // IconColourMap
  DetailMap detail{};                        // IconDetailMap
  std::uint32_t width = 0, height = 0;       // the icon's pixels as loaded (0: not known)

  bool operator==(const IconLook&) const = default;
  auto operator<=>(const IconLook&) const = default;
};
// The look of `bgr`, an icon of `width` x `height` pixels as loaded.
IconLook LookOfIcon(const NormalisedIcon& bgr, std::uint32_t width = 0, std::uint32_t height = 0);

// Bits that differ and are steady in both looks.
int SteadySignatureDistance(const IconLook& a, const IconLook& b);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_ICON_SIGNATURE_H_
