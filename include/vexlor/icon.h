// vexlor/icon.h: icons from files, and the distortions vexlor can apply.
//
// Contract: an icon is a cv::Mat of 8-bit samples with three channels in
// blue, green, red order (CV_8UC3), as cv::imread returns it in colour mode.
// Loading accepts any image file the image library reads and converts it to
// that form; it refuses images beyond a pixel limit before allocating them.
//
// Thread safety: every function may be called from several threads at once
// on different images.
//
// Errors: Status (vexlor/status.h). IconProcess checks its arguments and
// throws vexlor::Error for ones it cannot use.
#ifndef VEXLOR_ICON_H_
#define VEXLOR_ICON_H_

#include <cstdint>
#include <string>

#include <opencv2/core.hpp>

#include "vexlor/status.h"

namespace vexlor {

// The distortion applied to an icon before it is measured: a Gaussian blur
// with a (2 * blur + 1)-pixel square aperture (none for 0), then a scale
// factor per colour channel (1.0 leaves a channel as it is).
struct Distortion {
  int blur = 0;
  double red = 1.0;
  double green = 1.0;
  double blue = 1.0;
};

// Largest blur whose Gaussian aperture 2 * blur + 1 still fits in an int.
inline constexpr int kMaxBlurSize = (2147483647 - 1) / 2;

// Distorts `icon` in place: first a Gaussian blur with the standard deviation
// derived from the aperture and the edge pixels replicated beyond the border
// (only when blur is not 0); then every channel is scaled by its factor with
// rounding and saturation to 0..255 (only when some factor is not exactly
// 1.0; a NaN factor counts as not 1.0). Size, type and identity of the image
// stay the same. Throws vexlor::Error when `icon` is not CV_8UC3 or the blur
// is outside 0..kMaxBlurSize.
void IconProcess(cv::Mat& icon, const Distortion& distortion);

// Most pixels an icon may have: 2^26, about 67 megapixels (8192 x 8192).
// Photographs of tens of megapixels load; larger images, and files whose
// header only claims a gigantic size, are refused before their pixels are
// allocated. OPENCV_IO_MAX_IMAGE_PIXELS, the image library's own setting,
// replaces this limit when it is set.
inline constexpr std::uint64_t kDefaultMaxIconPixels = std::uint64_t{1} << 26;

// The limit in force (see kDefaultMaxIconPixels).
std::uint64_t MaxIconPixels();

// Loads the image file at `path` into `*icon` as an icon, whatever the file
// holds (grey, alpha, 16-bit and palette images are converted); the file's
// orientation tag is not applied. Status kBadIcon when the file is missing,
// is no regular file (a pipe or a device could block forever), is no image
// the library reads, has more than MaxIconPixels() pixels, or cannot be
// decoded for want of memory.
Status LoadIcon(const std::string& path, cv::Mat* icon);

// The same for an image file held in memory.
Status DecodeIcon(const cv::Mat& encoded, cv::Mat* icon);

// Encodes `icon` in the format that the extension of `path` selects and
// writes it there. kIOError when the file was not saved whole; a partly
// written file is emptied.
Status SaveIcon(const std::string& path, const cv::Mat& icon);

// Silences the image library's own warnings on standard error (unreadable
// files and the like), which programs report in their own words.
void QuietImageLibrary();

}  // namespace vexlor

#endif  // VEXLOR_ICON_H_
