#include "decode/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "decode/decoding_failures.h"

namespace vexlor {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// The jump's values: why decoding stopped.
constexpr int kLibjpegFailed = 1;
constexpr int kScansExceeded = 2;

void Fail(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, kLibjpegFailed);
}

// Called by libjpeg for every row of blocks it reads, of every scan.
void CountScans(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, kScansExceeded);
}

// The bytes of libjpeg's whole-image coefficient buffer, as its coefficient
// controller requests it for a file of several scans.
std::uint64_t CoefficientBytes(const jpeg_decompress_struct& cinfo) {
  std::uint64_t bytes = 0;
  for (int i = 0; i < cinfo.num_components; ++i) {
    const jpeg_component_info& c = cinfo.comp_info[i];
    const auto roundUp = [](std::uint64_t n, std::uint64_t m) { return (n + m - 1) / m * m; };
    bytes += roundUp(c.width_in_blocks, c.h_samp_factor) *
             roundUp(c.height_in_blocks, c.v_samp_factor) * DCTSIZE2 * sizeof(JCOEF);
  }
  return bytes;
}
// The library lets libjpeg print its first warning ("Corrupt JPEG data:
// ..."); the programs report in their own words.
void Silent(j_common_ptr) {}

struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorManager error{};
  jpeg_progress_mgr progress{};
  bool created = false;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// The image library's conversion of libjpeg's CMYK output (Adobe's inverted
// form, as libjpeg returns it) to BGR.
void CmykToBgr(const JSAMPLE* cmyk, int cols, std::uint8_t* bgr) {
  for (int i = 0; i < cols; ++i, cmyk += 4, bgr += 3) {
    const int k = cmyk[3];
    bgr[2] = static_cast<std::uint8_t>(k - ((255 - cmyk[0]) * k >> 8));
    bgr[1] = static_cast<std::uint8_t>(k - ((255 - cmyk[1]) * k >> 8));
    bgr[0] = static_cast<std::uint8_t>(k - ((255 - cmyk[2]) * k >> 8));
  }
}

// What the part that may longjmp found; a Status, which has a destructor,
// is made only after it.
enum class Outcome { kDecoded, kTooLarge, kTooManyScans, kTooMuchMemory, kFailed };

// The part that may longjmp: no object with a destructor lives here.
// `setSource` points libjpeg at the file's bytes.
template <typename SetSource>
Outcome Decode(SetSource setSource, std::uint64_t max_pixels, Decompressor& d,
                    IconPixels* icon) {
  d.cinfo.err = jpeg_std_error(&d.error.pub);
  d.error.pub.error_exit = Fail;
  d.error.pub.output_message = Silent;
  switch (setjmp(d.error.jump)) {
    case 0: break;
    case kScansExceeded: return Outcome::kTooManyScans;
    default: return Outcome::kFailed;
  }
  jpeg_create_decompress(&d.cinfo);
  d.created = true;
  d.progress.progress_monitor = CountScans;
  d.cinfo.progress = &d.progress;
  setSource(&d.cinfo);
  // The library keeps the Exif block (for the orientation, not applied here).
  jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xffff);
  jpeg_read_header(&d.cinfo, TRUE);
  d.cinfo.scale_num = 1;
  d.cinfo.scale_denom = 1;
  jpeg_calc_output_dimensions(&d.cinfo);
  const JDIMENSION width = d.cinfo.output_width, height = d.cinfo.output_height;
  if (width == 0 || height == 0) return Outcome::kFailed;
  const std::uint64_t pixelCount = std::uint64_t{width} * height;
  if (pixelCount > max_pixels) return Outcome::kTooLarge;
  if (jpeg_has_multiple_scans(&d.cinfo) &&
      3 * pixelCount + CoefficientBytes(d.cinfo) > JpegMemoryBytes(max_pixels))
    return Outcome::kTooMuchMemory;
  // A file without Huffman tables (motion JPEG) gets the standard ones from
  // libjpeg itself, as the library's own fallback would give them.
  const bool cmyk = d.cinfo.num_components == 4;
  d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  d.cinfo.out_color_components = cmyk ? 4 : 3;
  jpeg_start_decompress(&d.cinfo);

  std::uint8_t* pixels = icon->Allocate(static_cast<int>(height), static_cast<int>(width));
  JSAMPARRAY cmykRow =
      cmyk ? (*d.cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.cinfo), JPOOL_IMAGE,
                                          width * 4, 1)
           : nullptr;
  for (JDIMENSION y = 0; y < height; ++y) {
    JSAMPROW row = pixels + std::size_t{y} * width * 3;
    // A source that cannot suspend returns every row asked for.
    jpeg_read_scanlines(&d.cinfo, cmyk ? cmykRow : &row, 1);
    if (cmyk) CmykToBgr(cmykRow[0], static_cast<int>(width), row);
  }
  // The library ignores what jpeg_finish_decompress finds after the last row.
  return Outcome::kDecoded;
}

template <typename SetSource>
Status DecodeWith(SetSource setSource, std::uint64_t max_pixels, IconPixels* icon) {
  icon->Clear();
  Decompressor d;
  const Outcome outcome = Decode(setSource, max_pixels, d, icon);
  if (outcome == Outcome::kDecoded) return {};
  icon->Clear();
  switch (outcome) {
    case Outcome::kTooLarge: return MorePixelsThan(max_pixels);
    case Outcome::kTooManyScans:
      return Status::IconRefused("a JPEG of more than " + std::to_string(kMaxJpegScans) +
                                 " scans");
    case Outcome::kTooMuchMemory:
      return Status::IconRefused("a JPEG of several scans whose decoding needs more than " +
                                 std::to_string(JpegMemoryBytes(max_pixels)) + " bytes");
    default: return NoImage();
  }
}

}  // namespace

bool HasJpegSignature(const std::uint8_t* data, std::size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

Status DecodeJpegBytes(const std::uint8_t* data, std::size_t size, std::uint64_t max_pixels,
                       IconPixels* icon) {
  if (!HasJpegSignature(data, size)) return NoImage();
  // libjpeg's memory source ends the data as its file source ends a file: a
  // warning and an inserted end-of-image marker.
  return DecodeWith(
      [data, size](j_decompress_ptr cinfo) {
        jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
      },
      max_pixels, icon);
}

Status DecodeJpeg(std::FILE* file, std::uint64_t max_pixels, IconPixels* icon) {
  std::uint8_t signature[3];
  const bool jpeg = std::fread(signature, 1, sizeof signature, file) == sizeof signature &&
                    HasJpegSignature(signature, sizeof signature);
  std::rewind(file);
  if (!jpeg) return NoImage();
  return DecodeWith([file](j_decompress_ptr cinfo) { jpeg_stdio_src(cinfo, file); }, max_pixels,
                    icon);
}

}  // namespace vexlor
