// The image library's operations (decode/image_library.h), as the library
// itself and the plugin vexlor-imaging.so provide them.
#include <algorithm>
#include <cctype>
#include <new>
#include <string>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "decode/decoding_failures.h"
#include "decode/image_library.h"
#include "opencv/matrices.h"
#include "pixels/composite.h"
#include "vexlor/icon.h"

namespace vexlor {

namespace {

constexpr int kIconReadMode = cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION;

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

// Installed while the program (or the plugin) starts, before any thread could
// be decoding. Matrices it allocates belong to the allocator it wraps, which
// frees them.
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

// The alpha of an image read unchanged, as 8 bits taken as the library takes
// the image's colour to 8 bits, or an empty matrix when it has none (the
// library reads no alpha from a TIFF of grey with alpha: it gives one channel).
cv::Mat AlphaOf(const cv::Mat& unchanged) {
  const int channels = unchanged.channels();
  if (channels != 2 && channels != 4) return {};
  cv::Mat alpha;
  cv::extractChannel(unchanged, alpha, channels - 1);
  switch (alpha.depth()) {
    case CV_8U: return alpha;
    // The nearest of v / 257, as the library scales 16-bit colour (a test
    // holds the two equal over every value).
    case CV_16U: alpha.convertTo(alpha, CV_8U, 1.0 / 257); return alpha;
    case CV_32F:
    case CV_64F: alpha.convertTo(alpha, CV_8U, 255.0); return alpha;
    default: return {};
  }
}

// `decode(mode)` decodes in the library's mode.
template <typename Decode>
Status Decoding(std::uint64_t maxPixels, const Background& background, Decode decode,
                IconPixels* icon) {
  try {
    const DecodingLimit limit(maxPixels);
    const cv::Mat image = decode(kIconReadMode);
    if (image.empty() || image.type() != CV_8UC3) return NoImage();
    icon->Allocate(image.rows, image.cols);
    cv::Mat pixels = MatrixOver(icon->view());
    image.copyTo(pixels);  // same size and type: into the icon's own buffer
    if (background.set) {
      cv::Mat alpha;
      try {
        alpha = AlphaOf(decode(cv::IMREAD_UNCHANGED | cv::IMREAD_IGNORE_ORIENTATION));
      } catch (const cv::Exception&) {
        // The colour decoded; a reading with alpha that fails leaves it as is.
      }
      if (!alpha.empty() && alpha.size() == image.size())
        for (int y = 0; y < image.rows; ++y)
          CompositeRow(pixels.ptr<std::uint8_t>(y), alpha.ptr<std::uint8_t>(y), 1,
                       static_cast<std::size_t>(image.cols), background);
    }
    return {};
  } catch (const cv::Exception&) {
    return decoding_refused ? MorePixelsThan(maxPixels) : NoImage();
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
}

Status Read(const std::string& path, std::uint64_t maxPixels, const Background& background,
            IconPixels* icon) {
  return Decoding(maxPixels, background, [&](int mode) { return cv::imread(path, mode); }, icon);
}

Status Decode(const std::uint8_t* bytes, std::size_t size, std::uint64_t maxPixels,
              const Background& background, IconPixels* icon) {
  const cv::Mat encoded(1, static_cast<int>(size), CV_8UC1, const_cast<std::uint8_t*>(bytes));
  return Decoding(maxPixels, background, [&](int mode) { return cv::imdecode(encoded, mode); },
                  icon);
}

// The library encodes JPEG 2000 through a temporary file of its own, which
// a failed encoding leaves behind; OpenJPEG, at the library's six resolution
// levels, fails on any image under 32 pixels a side. So that is refused first.
constexpr int kLeastJpeg2000Side = 32;

bool IsJpeg2000(std::string extension) {
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".jp2";
}

Status Encode(const std::string& extension, const BgrImageView& icon,
              std::vector<std::uint8_t>* bytes) {
  if (IsJpeg2000(extension) && std::min(icon.rows, icon.cols) < kLeastJpeg2000Side)
    return Status::IOError("JPEG 2000 needs an image of at least " + std::to_string(kLeastJpeg2000Side) +
                           " x " + std::to_string(kLeastJpeg2000Side) + " pixels");
  try {
    if (cv::imencode(extension, MatrixOver(icon), *bytes)) return {};
    return Status::IOError("the image writer failed");
  } catch (const cv::Exception& e) {
    return Status::IOError(e.err);
  }
}

void Distort(IconPixels& icon, const Distortion& distortion) {
  try {
    cv::Mat matrix = MatrixOver(icon.view());
    IconProcess(matrix, distortion);
    // In place: the matrix keeps the icon's own pixels.
    CV_Assert(matrix.data == icon.data());
  } catch (const cv::Exception& e) {
    throw Error(LibraryError(e));
  }
}

}  // namespace

const ImageLibrary& LinkedImageLibrary() {
  (void)bounded_allocator_installed;
  static const ImageLibrary library{Read, Decode, Encode, Distort};
  return library;
}

}  // namespace vexlor
