#include "decode/png_decoder.h"

#include "decode/decoding_failures.h"
#include "decode/file_bytes.h"
#include "decode/png_image_data.h"
#include "pixels/composite.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace vexlor {

namespace {

// libpng reads chunks one after the other up to IEND and must read all of
// each, so such a chunk fails the decoding in any case; this finds it first,
// reading only chunk headers. `readHeader(at, header)` reads the 8 bytes at
// offset `at` of the `size` bytes.
template <typename ReadHeader>
bool ChunkOverruns(std::uint64_t size, ReadHeader readHeader) {
  std::uint64_t at = 8;  // after the signature
  while (at + 8 <= size) {
    std::uint8_t header[8];
    if (!readHeader(at, header)) return false;
    const png_uint_32 length = png_get_uint_32(header);
    if (length > PNG_UINT_31_MAX) return false;  // libpng refuses it before allocating
    if (std::uint64_t{length} + 4 > size - at - 8) return true;
    if (std::memcmp(header + 4, "IEND", 4) == 0) return false;
    at += 12 + std::uint64_t{length};
  }
  return false;
}

}  // namespace

bool PngChunkOverrunsFile(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file);
  if (size < 0) return false;
  const auto readHeader = [file](std::uint64_t at, std::uint8_t* header) {
    return std::fseek(file, static_cast<long>(at), SEEK_SET) == 0 &&
           std::fread(header, 1, 8, file) == 8;
  };
  return ChunkOverruns(static_cast<std::uint64_t>(size), readHeader);
}

bool PngChunkOverrunsBytes(const std::uint8_t* data, std::size_t size) {
  return ChunkOverruns(size, [data](std::uint64_t at, std::uint8_t* header) {
    std::memcpy(header, data + at, 8);
    return true;
  });
}

namespace {

constexpr std::uint32_t kMaxSide = 1u << 20;

// libpng reports through these; its defaults print to standard error.
void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

struct ReadStruct {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_infop end = nullptr;
  ~ReadStruct() {
    if (png != nullptr) png_destroy_read_struct(&png, &info, &end);
  }
};

// Bytes in memory, handed to libpng in the pieces it asks for.
struct MemoryReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->at) png_error(png, "read past the end of the data");
  std::memcpy(out, reader->data + reader->at, length);
  reader->at += length;
}

// With the file in memory, once libpng has read the chunks before the image
// data (and stopped after the first IDAT chunk's header): the image data
// decoded without libpng where that is sure to give libpng's pixels
// (decode/png_image_data.h). False leaves libpng to go on.
bool DecodeImageDataDirectly(png_structp png, png_infop info, const MemoryReader& memory,
                             bool keepAlpha, IconPixels* icon) {
  if (memory.at < 16 || std::memcmp(memory.data + memory.at - 4, "IDAT", 4) != 0) return false;
  const std::size_t idat = memory.at - 8;
  PngHeader header;
  int interlace = 0;
  png_get_IHDR(png, info, &header.width, &header.height, &header.bit_depth, &header.color_type,
               &interlace, nullptr, nullptr);
  header.interlaced = interlace != PNG_INTERLACE_NONE;
  png_colorp palette = nullptr;
  if (png_get_PLTE(png, info, &palette, &header.palette_size) == 0) header.palette_size = 0;
  static_assert(sizeof(png_color) == 3);
  header.palette = reinterpret_cast<const std::uint8_t*>(palette);
  png_bytep alpha = nullptr;
  header.has_transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (header.has_transparency &&
      png_get_tRNS(png, info, &alpha, &header.palette_alpha_size, nullptr) == 0)
    header.palette_alpha_size = 0;
  header.palette_alpha = alpha;
  return DecodePngImageData(memory.data, memory.size, idat, header, keepAlpha, icon);
}

// The image library's order of transforms for an 8-bit, 3-channel result;
// with `keepAlpha`, alpha (or transparency, as alpha) is kept as a fourth
// channel instead of being stripped. May longjmp, and so holds no object
// with a destructor; false if libpng's result has other channels.
bool ReadImageWithLibpng(ReadStruct& s, bool keepAlpha, IconPixels* icon,
                         std::vector<png_bytep>* rows) {
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(s.png, s.info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (bitDepth == 16)
    png_set_strip_16(s.png);
  else
    png_set_swap(s.png);
  if (keepAlpha)
    png_set_tRNS_to_alpha(s.png);
  else
    png_set_strip_alpha(s.png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0 && bitDepth < 8)
    png_set_expand_gray_1_2_4_to_8(s.png);
  if ((colorType & PNG_COLOR_MASK_COLOR) != 0)
    png_set_bgr(s.png);
  else
    png_set_gray_to_rgb(s.png);
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);

  const int channels = keepAlpha ? 4 : 3;
  if (png_get_channels(s.png, s.info) != channels) return false;
  std::uint8_t* pixels =
      icon->Allocate(static_cast<int>(height), static_cast<int>(width), channels);
  rows->resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    (*rows)[y] = pixels + std::size_t{y} * width * channels;
  png_read_image(s.png, rows->data());
  png_read_end(s.png, s.end);
  return true;
}

// What the part that may longjmp found; a Status, which has a destructor,
// is made only after it.
enum class Outcome { kDecoded, kTooLarge, kFailed };

// The part that may longjmp: no object with a destructor lives here.
// `setSource` points libpng at the bytes, from their start; `memory` is
// their reader if they are in memory.
template <typename SetSource>
Outcome Decode(SetSource setSource, const MemoryReader* memory, std::uint64_t max_pixels,
                   const Background& background, ReadStruct& s, IconPixels* icon,
                   std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(s.png)) != 0) return Outcome::kFailed;
  setSource(s.png);
  png_read_info(s.png, s.info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(s.png, s.info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (bitDepth > 8 && bitDepth != 16) return Outcome::kFailed;
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
      static_cast<std::uint64_t>(width) * height > max_pixels)
    return Outcome::kTooLarge;

  // Over a background, an image with alpha or transparency keeps it.
  const bool composite = background.set && ((colorType & PNG_COLOR_MASK_ALPHA) != 0 ||
                                            png_get_valid(s.png, s.info, PNG_INFO_tRNS) != 0);
  const bool direct =
      memory != nullptr && DecodeImageDataDirectly(s.png, s.info, *memory, composite, icon);
  if (!direct && !ReadImageWithLibpng(s, composite, icon, rows)) return Outcome::kFailed;
  if (composite) CompositeBgraInPlace(icon->data(), std::size_t{width} * height, background);
  return Outcome::kDecoded;
}

}  // namespace

Status DecodePngFile(const std::string& path, std::uint64_t max_pixels, IconPixels* icon,
                     const Background& background) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return NoImage();
  if (std::vector<std::uint8_t> bytes; ReadWholeSmallFile(file.get(), &bytes))
    return DecodePngBytes(bytes.data(), bytes.size(), max_pixels, icon, background);
  return DecodePng(file.get(), max_pixels, icon, background);
}

namespace {

template <typename SetSource>
Status DecodeWith(SetSource setSource, const MemoryReader* memory, std::uint64_t max_pixels,
                  const Background& background, IconPixels* icon) {
  ReadStruct s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  if (s.png == nullptr) return NoImage();
  s.info = png_create_info_struct(s.png);
  s.end = png_create_info_struct(s.png);
  if (s.info == nullptr || s.end == nullptr) return NoImage();
  std::vector<png_bytep> rows;
  const Outcome outcome = Decode(setSource, memory, max_pixels, background, s, icon, &rows);
  if (outcome == Outcome::kDecoded) return {};
  icon->Clear();
  return outcome == Outcome::kTooLarge ? MorePixelsThan(max_pixels) : NoImage();
}

}  // namespace

bool HasPngSignature(const std::uint8_t* data, std::size_t size) {
  return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

Status DecodePngBytes(const std::uint8_t* data, std::size_t size, std::uint64_t max_pixels,
                      IconPixels* icon, const Background& background) {
  if (!HasPngSignature(data, size) || PngChunkOverrunsBytes(data, size)) return NoImage();
  MemoryReader reader{data, size};
  return DecodeWith(
      [&reader](png_structp png) { png_set_read_fn(png, &reader, ReadFromMemory); }, &reader,
      max_pixels, background, icon);
}

Status DecodePng(std::FILE* file, std::uint64_t max_pixels, IconPixels* icon,
                 const Background& background) {
  unsigned char signature[8];
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      !HasPngSignature(signature, sizeof signature))
    return NoImage();
  const bool overrun = PngChunkOverrunsFile(file);
  std::rewind(file);
  if (overrun) return NoImage();
  return DecodeWith([file](png_structp png) { png_init_io(png, file); }, nullptr, max_pixels,
                    background, icon);
}

}  // namespace vexlor
