#ifndef VEXLOR_DECODE_PNG_DECODER_H_
#define VEXLOR_DECODE_PNG_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "decode/icon_pixels.h"
#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// Whether the bytes start with the PNG signature.
bool HasPngSignature(const std::uint8_t* data, std::size_t size);

// Decodes the PNG file at `path` as the image library's PNG decoder does for
// cv::imread(path, IMREAD_COLOR): the same libpng, the same transforms (16
// bits stripped, palette and low-bit grey expanded, grey to BGR, alpha and
// transparency dropped, interlacing handled), the same size limits (each
// side at most 2^20 pixels, at most `max_pixels` in all). A differential
// test and fuzz target hold the two to the same pixels. A file of up to
// kWholeFileLimit bytes (decode/file_bytes.h) is read whole and decoded from
// memory. Over a set `background`, a PNG with alpha or transparency keeps
// its alpha (libpng expanding tRNS to it, 16 bits stripped to the high byte
// like the colour) and is composited over it (vexlor/distortion.h); the
// image then needs 4 bytes a pixel while it decodes.
//
// Fails as decode/decoding_failures.h says: NoImage() for a file that cannot
// be opened, has no PNG signature or that libpng cannot decode;
// MorePixelsThan() beyond the size limits, refused before decoding.
Status DecodePngFile(const std::string& path, std::uint64_t max_pixels, IconPixels* icon,
                     const Background& background = {});

// The same for a stream positioned at the start of the file, read as a
// stream.
Status DecodePng(std::FILE* file, std::uint64_t max_pixels, IconPixels* icon,
                 const Background& background = {});

// The same for `size` bytes in memory.
Status DecodePngBytes(const std::uint8_t* data, std::size_t size, std::uint64_t max_pixels,
                      IconPixels* icon, const Background& background = {});

// Whether a chunk of the PNG in `file` (before IEND) declares more bytes than
// the file has after it. Such a file cannot be decoded, but libpng allocates
// and clears the declared length first (up to 2 GB); DecodePng fails it
// without asking libpng. Leaves the stream position anywhere.
bool PngChunkOverrunsFile(std::FILE* file);
bool PngChunkOverrunsBytes(const std::uint8_t* data, std::size_t size);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_PNG_DECODER_H_
