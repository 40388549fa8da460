#ifndef VEXLOR_DECODE_PNG_IMAGE_DATA_H_
#define VEXLOR_DECODE_PNG_IMAGE_DATA_H_

#include <cstddef>
#include <cstdint>

#include "decode/icon_pixels.h"

namespace vexlor {

// What libpng has made of a PNG's chunks before its image data.
struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bit_depth = 0;
  int color_type = 0;
  bool interlaced = false;
  const std::uint8_t* palette = nullptr;  // red, green, blue a colour
  int palette_size = 0;
  bool has_transparency = false;  // a tRNS chunk libpng kept
  const std::uint8_t* palette_alpha = nullptr;
  int palette_alpha_size = 0;
};

// The image data of the PNG file `file` (`size` bytes, held whole), whose IDAT
// chunks start at offset `idat`, decoded without libpng into what
// DecodePngBytes would give: BGR, or BGRA (alpha and palette transparency
// kept) if `keep_alpha`. Taken only for the common, plainly sound case: 8-bit
// samples of every colour type but grey or RGB with transparency, no
// interlacing, consecutive IDAT chunks with good CRCs followed by an empty
// IEND, and image data that InflateZlibStream (decode/zlib_stream.h) decodes
// to exactly the rows the header declares, with known filters and palette
// indices within the palette. Such a file libpng decodes without a single
// error, to the same pixels. Anything else returns false without a word,
// and libpng decodes the file as it would have anyway.
bool DecodePngImageData(const std::uint8_t* file, std::size_t size, std::size_t idat,
                        const PngHeader& header, bool keep_alpha, IconPixels* icon);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_PNG_IMAGE_DATA_H_
