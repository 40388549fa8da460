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

#include <string>

#include <opencv2/core.hpp>

#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// Distorts `icon` in place: first a Gaussian blur with the standard deviation
// derived from the aperture and the edge pixels replicated beyond the border
// (only when blur is not 0); then every channel is scaled by its factor with
// rounding and saturation to 0..255 (only when some factor is not exactly
// 1.0; a NaN factor counts as not 1.0). The pixels are the library's
// GaussianBlur and saturating conversion's, byte for byte, computed without
// the library up to a blur of 255. The border is the image's own edge, also
// for a view into a larger matrix (nothing outside the view is read or
// written). Size, type and identity of the image stay the same. Throws
// vexlor::Error when `icon` is not CV_8UC3, the blur is outside
// 0..kMaxBlurSize, or it is beyond 255 and kMaxBlurWork (kInvalidArgument).
void IconProcess(cv::Mat& icon, const Distortion& distortion);

// Loads the image file at `path` into `*icon` as an icon, whatever the file
// holds (grey, alpha, 16-bit and palette images are converted); the file's
// orientation tag is not applied. Status kBadIcon when the file is missing,
// is no regular file (a pipe or a device could block forever) or is no image
// the library reads; kIconRefused when it has more than MaxIconPixels()
// pixels, is a JPEG beyond the scan and memory bounds (docs/loading-and-bounds.md), or cannot be
// decoded for want of memory. Over a set `background`, an image with alpha
// is composited over it first (vexlor/distortion.h).
Status LoadIcon(const std::string& path, cv::Mat* icon, const Background& background = {});

// The same for an image file held in memory.
Status DecodeIcon(const cv::Mat& encoded, cv::Mat* icon);

// Encodes `icon` in the format that the extension of `path` selects and
// writes it there. kIOError when the file was not saved whole; a partly
// written file is emptied. kInvalidArgument when `icon` is not CV_8UC3.
Status SaveIcon(const std::string& path, const cv::Mat& icon);

// Silences the image library's own warnings on standard error (unreadable
// files and the like), which programs report in their own words.
void QuietImageLibrary();

}  // namespace vexlor

#endif  // VEXLOR_ICON_H_
