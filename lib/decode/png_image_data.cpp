#include "decode/png_image_data.h"

#include <png.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <vector>

#include "decode/png_unfilter.h"
#include "decode/zlib_stream.h"

namespace vexlor {

namespace {

// Larger images are left to libpng, which needs no buffer for the whole
// compressed and filtered data: icons are far smaller.
constexpr std::uint64_t kMaxPixels = 1u << 22;

// Bytes a pixel of the 8-bit colour types this path takes; 0 for the others.
unsigned PixelBytes(const PngHeader& header) {
  if (header.bit_depth != 8 || header.interlaced) return 0;
  switch (header.color_type) {
    case 0: return header.has_transparency ? 0 : 1;  // grey
    case 2: return header.has_transparency ? 0 : 3;  // RGB
    case 3: return header.palette_size > 0 ? 1 : 0;  // palette
    case 4: return 2;                                // grey and alpha
    case 6: return 4;                                // RGBA
    default: return 0;
  }
}

// The IDAT chunks from `at` on, each checked against its CRC, and the empty
// IEND right after them; `*data` points at the compressed bytes (copied into
// `joined` when there are several chunks).
bool CollectImageData(const std::uint8_t* file, std::size_t size, std::size_t at,
                      std::size_t rawSize, std::vector<std::uint8_t>* joined,
                      const std::uint8_t** data, std::size_t* dataSize) {
  std::size_t chunks = 0, first = 0, total = 0;
  for (;; ++chunks) {
    if (size - at < 12) return false;
    const std::uint32_t length = png_get_uint_32(file + at);
    // libpng refuses an IDAT chunk longer than the image data could need.
    if (length > size - at - 12 || length > rawSize) return false;
    const std::uint8_t* const type = file + at + 4;
    if (std::memcmp(type, "IDAT", 4) != 0) break;
    if (crc32_z(0, type, 4 + std::size_t{length}) != png_get_uint_32(type + 4 + length)) return false;
    if (chunks == 0) first = at + 8;
    total += length;
    at += 12 + std::size_t{length};
  }
  static constexpr std::uint8_t kEmptyIend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D',
                                                  0xae, 0x42, 0x60, 0x82};
  if (chunks == 0 || std::memcmp(file + at, kEmptyIend, 12) != 0) return false;
  if (chunks == 1) {
    *data = file + first;
  } else {
    joined->clear();
    joined->reserve(total);
    for (std::size_t k = 0, from = first - 8; k < chunks; ++k) {
      const std::uint32_t length = png_get_uint_32(file + from);
      joined->insert(joined->end(), file + from + 8, file + from + 8 + length);
      from += 12 + std::size_t{length};
    }
    *data = joined->data();
  }
  *dataSize = total;
  return true;
}

// One unfiltered row into BGR or BGRA pixels; false for a palette index
// beyond the palette.
bool ConvertRow(const std::uint8_t* in, std::uint32_t width, const PngHeader& header,
                const std::uint8_t (*colours)[4], bool keepAlpha, std::uint8_t* out) {
  const unsigned channels = keepAlpha ? 4 : 3;
  switch (header.color_type) {
    case 0:
      for (std::uint32_t x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
      return true;
    case 2:
      for (std::uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
      return true;
    case 3: {
      bool outside = false;
      for (std::uint32_t x = 0; x < width; ++x, out += channels) {
        outside |= in[x] >= header.palette_size;
        std::memcpy(out, colours[in[x]], channels);
      }
      return !outside;
    }
    case 4:
      for (std::uint32_t x = 0; x < width; ++x, in += 2, out += channels) {
        out[0] = out[1] = out[2] = in[0];
        if (keepAlpha) out[3] = in[1];
      }
      return true;
    default:  // 6
      for (std::uint32_t x = 0; x < width; ++x, in += 4, out += channels) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        if (keepAlpha) out[3] = in[3];
      }
      return true;
  }
}

}  // namespace

bool DecodePngImageData(const std::uint8_t* file, std::size_t size, std::size_t idat,
                        const PngHeader& header, bool keep_alpha, IconPixels* icon) {
  const unsigned pixelBytes = PixelBytes(header);
  if (pixelBytes == 0 || std::uint64_t{header.width} * header.height > kMaxPixels) return false;
  const std::size_t rowBytes = std::size_t{header.width} * pixelBytes;
  const std::size_t rawSize = (rowBytes + 1) * header.height;

  std::vector<std::uint8_t> joined;
  const std::uint8_t* data = nullptr;
  std::size_t dataSize = 0;
  if (!CollectImageData(file, size, idat, rawSize, &joined, &data, &dataSize)) return false;
  const std::unique_ptr<std::uint8_t[]> raw(new std::uint8_t[rawSize + kInflateSlack]);
  if (!InflateZlibStream(data, dataSize, raw.get(), rawSize) ||
      !UnfilterRows(raw.get(), header.height, rowBytes, pixelBytes))
    return false;

  // The palette as libpng expands it: transparency only for the first
  // palette_alpha_size colours, the others opaque.
  std::uint8_t colours[256][4] = {};
  for (int i = 0; header.color_type == 3 && i < header.palette_size; ++i) {
    colours[i][0] = header.palette[3 * i + 2];
    colours[i][1] = header.palette[3 * i + 1];
    colours[i][2] = header.palette[3 * i];
    colours[i][3] = i < header.palette_alpha_size ? header.palette_alpha[i] : 255;
  }
  const unsigned channels = keep_alpha ? 4 : 3;
  std::uint8_t* out = icon->Allocate(static_cast<int>(header.height),
                                     static_cast<int>(header.width), static_cast<int>(channels));
  for (std::uint32_t y = 0; y < header.height; ++y, out += std::size_t{header.width} * channels)
    if (!ConvertRow(raw.get() + y * (rowBytes + 1) + 1, header.width, header, colours, keep_alpha,
                    out))
      return false;
  return true;
}

}  // namespace vexlor
