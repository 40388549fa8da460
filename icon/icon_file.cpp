#include <limits.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>

#include "icon/image_codecs.h"
#include "icon/png_decoder.h"
#include "report/whole_file.h"
#include "vexlor/icon.h"

namespace vexlor {

namespace {

constexpr int kIconReadMode = cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION;

bool IsIcon(const cv::Mat& image) {
  return !image.empty() && image.type() == CV_8UC3;
}

// The library decodes a file only after allocating the whole image its header
// declares, and it reads its own pixel limit once, when it is loaded, so a
// limit cannot be handed to it from here. Instead, while this thread decodes,
// every matrix allocation is checked against the pixel limit; the refusal is
// an exception that ends the decoding before any large allocation happens.
thread_local std::uint64_t decoding_pixel_limit = 0;  // 0: not decoding
thread_local bool decoding_refused = false;

class BoundedAllocator : public cv::MatAllocator {
 public:
  explicit BoundedAllocator(cv::MatAllocator* next) : next_(next) {}

  cv::UMatData* allocate(int dims, const int* sizes, int type, void* data, size_t* step,
                         cv::AccessFlag flags, cv::UMatUsageFlags usage) const override {
    if (decoding_pixel_limit != 0 && data == nullptr && dims >= 2) {
      std::uint64_t pixels = 1;
      for (int i = 0; i < dims; ++i) pixels *= static_cast<std::uint64_t>(sizes[i]);
      if (pixels > decoding_pixel_limit) {
        decoding_refused = true;
        CV_Error(cv::Error::StsNoMem, "the image has more pixels than an icon may have");
      }
    }
    return next_->allocate(dims, sizes, type, data, step, flags, usage);
  }
  bool allocate(cv::UMatData* data, cv::AccessFlag flags,
                cv::UMatUsageFlags usage) const override {
    return next_->allocate(data, flags, usage);
  }
  void deallocate(cv::UMatData* data) const override { next_->deallocate(data); }

 private:
  cv::MatAllocator* next_;
};

// Installed while the program starts, before any thread could be decoding.
// Matrices it allocates belong to the allocator it wraps, which frees them.
const bool bounded_allocator_installed = [] {
  static BoundedAllocator allocator(cv::Mat::getDefaultAllocator());
  cv::Mat::setDefaultAllocator(&allocator);
  return true;
}();

class DecodingLimit {
 public:
  explicit DecodingLimit(std::uint64_t pixels) {
    decoding_pixel_limit = pixels;
    decoding_refused = false;
  }
  ~DecodingLimit() { decoding_pixel_limit = 0; }
};

// Why `path` cannot be an icon file, or "".
std::string WhyNoIconFile(const std::string& path) {
  // A NUL byte would end the path early: another file would be read.
  if (path.find('\0') != std::string::npos) return "the path holds a NUL byte";
  if (path.empty()) return std::strerror(ENOENT);
  if (path.size() >= PATH_MAX) return std::strerror(ENAMETOOLONG);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  return "";
}

// Decodes one icon under the pixel limit: a PNG here, anything else through
// the image library's codecs. `openPng` gives the bytes as a stream (null
// when they cannot be read), `decode` hands them to the library.
template <typename OpenPng, typename Decode>
Status Decoding(const std::string& what, OpenPng openPng, Decode decode, cv::Mat* icon) {
  icon->release();
  std::string reason = "no image that the image library reads";
  const std::uint64_t maxPixels = MaxIconPixels();
  try {
    const DecodingLimit limit(maxPixels);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(openPng(), std::fclose);
    const PngDecoding png =
        stream ? DecodePng(stream.get(), maxPixels, icon) : PngDecoding::kNotPng;
    stream.reset();
    if (png == PngDecoding::kDecoded) return {};
    if (png == PngDecoding::kTooLarge) {
      reason = "more than " + std::to_string(maxPixels) + " pixels";
    } else if (png == PngDecoding::kNotPng) {
      std::string why;
      const ImageCodecs* codecs = GetImageCodecs(&why);
      if (codecs == nullptr) return Status::IOError("cannot load " + what + ": " + why);
      *icon = decode(*codecs);
      if (IsIcon(*icon)) return {};
    }
  } catch (const cv::Exception&) {
    if (decoding_refused)
      reason = "more than " + std::to_string(maxPixels) + " pixels";
  } catch (const std::bad_alloc&) {
    reason = "out of memory";
  }
  icon->release();
  return Status::BadIcon("cannot load " + what + ": " + reason);
}

std::string ExtensionOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* dot = std::strrchr(slash != nullptr ? slash : path, '.');
  return dot != nullptr ? dot : "";
}

}  // namespace

std::uint64_t MaxIconPixels() {
  const char* setting = std::getenv("OPENCV_IO_MAX_IMAGE_PIXELS");
  if (setting != nullptr && *setting != '\0') {
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(setting, &end, 10);
    if (errno == 0 && *end == '\0' && value > 0) return value;
  }
  return kDefaultMaxIconPixels;
}

Status LoadIcon(const std::string& path, cv::Mat* icon) {
  (void)bounded_allocator_installed;
  const std::string why = WhyNoIconFile(path);
  if (!why.empty()) {
    icon->release();
    return Status::BadIcon("cannot load '" + path + "': " + why);
  }
  return Decoding(
      "'" + path + "'", [&] { return std::fopen(path.c_str(), "rb"); },
      [&](const ImageCodecs& codecs) { return codecs.read(path, kIconReadMode); }, icon);
}

Status DecodeIcon(const cv::Mat& encoded, cv::Mat* icon) {
  CV_Assert(encoded.isContinuous());
  return Decoding(
      "an image in memory",
      [&] {
        return encoded.empty() ? nullptr
                               : ::fmemopen(const_cast<uchar*>(encoded.ptr()),
                                            encoded.total() * encoded.elemSize(), "rb");
      },
      [&](const ImageCodecs& codecs) { return codecs.decode(encoded, kIconReadMode); }, icon);
}

Status SaveIcon(const std::string& path, const cv::Mat& icon) {
  // Encoded in memory and written here: the library's file writers do not
  // all notice a failed write, and leave a cut file behind as if saved.
  std::vector<uchar> bytes;
  std::string error;
  try {
    const ImageCodecs* codecs = GetImageCodecs(&error);
    if (codecs != nullptr && !codecs->encode(ExtensionOf(path.c_str()), icon, &bytes))
      error = "the image writer failed";
  } catch (const cv::Exception& e) {
    error = e.err;
  } catch (const std::bad_alloc&) {
    error = "out of memory";
  }
  if (error.empty())
    if (const int failure = WriteWholeFile(path, bytes.data(), bytes.size()); failure != 0)
      error = std::strerror(failure);
  if (error.empty()) return {};
  return Status::IOError("cannot save the icon as '" + path + "': " + error);
}

void QuietImageLibrary() {
  cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
}

}  // namespace vexlor
