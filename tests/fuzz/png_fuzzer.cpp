// Differential fuzz target: the same bytes decoded by the core's PNG decoder
// and by the image library's, then resampled to 62 x 62 by the core's
// bilinear resize and the library's; any difference in outcome or pixels is
// a finding.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "decode/png_decoder.h"
#include "pixels/bilinear_resize.h"
#include "vexlor/icon.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vexlor::QuietImageLibrary();
  cv::setNumThreads(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  // Keeps single inputs from asking for gigabytes; the library has the same
  // limit only through its own settings, so larger images are skipped.
  constexpr std::uint64_t kMaxPixels = 4000000;
  if (size == 0) return 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(
      ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb"), std::fclose);
  vexlor::IconPixels pixels, streamed;
  const vexlor::Status result = vexlor::DecodePngBytes(data, size, kMaxPixels, &pixels);
  // The stream path (large files) must agree with the in-memory one.
  const vexlor::Status fromStream = vexlor::DecodePng(stream.get(), kMaxPixels, &streamed);
  if (fromStream.code() != result.code() || fromStream.message() != result.message())
    std::abort();
  if (streamed.size() != pixels.size() ||
      (pixels.size() != 0 && std::memcmp(streamed.data(), pixels.data(), pixels.size()) != 0))
    std::abort();
  if (!vexlor::HasPngSignature(data, size) || result.code() == vexlor::Status::Code::kIconRefused)
    return 0;
  if (!result.ok() && vexlor::PngChunkOverrunsBytes(data, size))
    return 0;  // the library would allocate the declared length before failing too
  cv::Mat library;
  try {
    library = cv::imdecode(cv::Mat(1, static_cast<int>(size), CV_8U, const_cast<std::uint8_t*>(data)),
                           cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
  } catch (const cv::Exception&) {
  }
  if (result.ok() != !library.empty()) std::abort();
  if (library.empty()) return 0;
  if (pixels.rows() != library.rows || pixels.cols() != library.cols || library.type() != CV_8UC3)
    std::abort();
  const cv::Mat ours(pixels.rows(), pixels.cols(), CV_8UC3, pixels.data());
  if (cv::countNonZero(ours.reshape(1) != library.reshape(1)) != 0) std::abort();

  cv::Mat resized(62, 62, CV_8UC3), libraryResized;
  vexlor::ResizeBilinear(pixels.view(), 62, 62, resized.ptr());
  cv::resize(library, libraryResized, cv::Size(62, 62), 0, 0, cv::INTER_LINEAR);
  if (cv::countNonZero(resized.reshape(1) != libraryResized.reshape(1)) != 0) std::abort();
  return 0;
}
