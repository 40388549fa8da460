#ifndef VEXLOR_DECODE_JPEG_DECODER_H_
#define VEXLOR_DECODE_JPEG_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "decode/icon_pixels.h"
#include "vexlor/status.h"

namespace vexlor {

// Bounds that the image library does not set, so that no file costs more than
// decoding an icon at the pixel limit: every scan of a progressive file passes
// over the whole image, and a file may hold thousands of empty ones (libjpeg's
// own progressive scripts write 6 to 10).
inline constexpr int kMaxJpegScans = 100;
// What a decoding may hold: the image itself (3 bytes a pixel), and for a file
// of several scans libjpeg's coefficients beside it (2 bytes for each of the 64
// coefficients of every 8 x 8 block of every component). At most the bytes of
// one icon at the pixel limit.
inline std::uint64_t JpegMemoryBytes(std::uint64_t max_pixels) { return 3 * max_pixels; }

// Whether the bytes start as the image library recognises a JPEG file
// (FF D8 FF).
bool HasJpegSignature(const std::uint8_t* data, std::size_t size);

// Decodes a JPEG file as the image library's JPEG decoder does for
// cv::imread(path, IMREAD_COLOR | IMREAD_IGNORE_ORIENTATION): the same
// libjpeg, set up the same way (colour output as BGR from grey, YCbCr or RGB
// data, CMYK and YCCK through CMYK with the library's own conversion, the
// default DCT method and upsampling, no scaling; the orientation tag is not
// applied), and the same reading of a damaged file: a file that ends early
// decodes with what it has, as libjpeg's file reader makes it, and whatever
// libjpeg refuses fails. libjpeg's warnings are never printed. Beyond the
// library, the scans and the memory are bounded (above). A
// differential test and fuzz target hold the two to the same pixels.
//
// Fails as decode/decoding_failures.h says: NoImage() for bytes without the
// signature or that libjpeg refuses; IconRefused beyond a bound: more than
// the pixel limit (MorePixelsThan(), before the pixels are allocated), more
// than kMaxJpegScans scans (when the next one starts), more memory than
// JpegMemoryBytes(max_pixels) (up front).
//
// `size` bytes in memory, decoded as a file holding them.
Status DecodeJpegBytes(const std::uint8_t* data, std::size_t size, std::uint64_t max_pixels,
                       IconPixels* icon);
// A stream positioned at the start of the file.
Status DecodeJpeg(std::FILE* file, std::uint64_t max_pixels, IconPixels* icon);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_JPEG_DECODER_H_
