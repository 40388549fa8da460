// Differential fuzz target: the same bytes decoded by the core's JPEG decoder
// from memory and as a stream, and by the image library's reading of a file
// that holds them; any difference in outcome or pixels is a finding.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "decode/jpeg_decoder.h"
#include "vexlor/icon.h"

namespace {

// Keeps single inputs from asking for gigabytes; the library gets the same
// limit through its own setting.
constexpr std::uint64_t kMaxPixels = 4000000;
std::string file_path;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SamePixels(const vexlor::IconPixels& ours, const cv::Mat& library) {
  return ours.rows() == library.rows && ours.cols() == library.cols &&
         library.type() == CV_8UC3 && library.isContinuous() &&
         std::memcmp(ours.data(), library.data, ours.size()) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vexlor::QuietImageLibrary();
  setenv("OPENCV_IO_MAX_IMAGE_PIXELS", std::to_string(kMaxPixels).c_str(), 1);
  cv::setNumThreads(0);
  const char* tmp = std::getenv("TMPDIR");
  file_path = std::string(tmp != nullptr ? tmp : "/tmp") + "/vexlor-jpeg-fuzz-" +
              std::to_string(::getpid()) + ".jpg";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) return 0;
  vexlor::IconPixels fromMemory, fromStream;
  const vexlor::Status result = vexlor::DecodeJpegBytes(data, size, kMaxPixels, &fromMemory);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(
      ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb"), std::fclose);
  const vexlor::Status streamed = vexlor::DecodeJpeg(stream.get(), kMaxPixels, &fromStream);
  Check(streamed.code() == result.code() && streamed.message() == result.message());
  Check(fromStream.size() == fromMemory.size() &&
        (fromMemory.empty() ||
         std::memcmp(fromStream.data(), fromMemory.data(), fromMemory.size()) == 0));
  // Beyond the pixel, scan and memory bounds the library would go on.
  if (!vexlor::HasJpegSignature(data, size) ||
      result.code() == vexlor::Status::Code::kIconRefused)
    return 0;

  std::FILE* file = std::fopen(file_path.c_str(), "wb");
  Check(file != nullptr && std::fwrite(data, 1, size, file) == size && std::fclose(file) == 0);
  cv::Mat library;
  try {
    library = cv::imread(file_path, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
  } catch (const cv::Exception&) {
  }
  std::remove(file_path.c_str());
  Check(result.ok() == !library.empty());
  if (!library.empty()) Check(SamePixels(fromMemory, library));
  return 0;
}
