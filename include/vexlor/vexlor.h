// vexlor/vexlor.h: the vexlor library.
//
// vexlor turns a small colour image, an icon, into a fixed descriptor of 416
// numbers: orientation histograms of its lightness gradient and Lab sign sums
// over twelve cells of a 4 x 4 grid, pooled into four quadrant groups and a
// middle group, with weights and ranges. Every number is IEEE double
// arithmetic in a fixed order: reproducible to the last digit.
//
//   #include <vexlor/vexlor.h>
//   cv::Mat icon = cv::imread("icon.png", cv::IMREAD_COLOR);
//   vexlor::Descriptors d = vexlor::Describe(icon, {.blur = 1});
//   std::string line = vexlor::RecordLine(d, vexlor::RecordForm::kTinyInt);
//
// Contract:
// - Ownership: functions take images by const reference and never keep them;
//   records are plain values that own their numbers.
// - Thread safety: every function may run on any number of threads at once.
// - Errors: Describe and RecordLine (vexlor/record.h) throw vexlor::Error (vexlor/status.h) for
//   input they cannot use, never crash; the rest return a Status.
// - Link with the CMake target vexlor::core (find_package(vexlor)) or with
//   pkg-config's vexlor.
#ifndef VEXLOR_VEXLOR_H_
#define VEXLOR_VEXLOR_H_

#include <optional>
#include <string>

#include <opencv2/core.hpp>

#include "vexlor/console_report.h"
#include "vexlor/descriptors.h"
#include "vexlor/icon.h"
#include "vexlor/record.h"
#include "vexlor/results_file.h"
#include "vexlor/status.h"

namespace vexlor {

// Measures `icon`, an 8-bit 3-channel BGR image of any size, exactly as vexlor
// measures an icon after loading it: `distortion` is applied first (to a
// copy; `icon` is only read). Throws vexlor::Error (kInvalidArgument) for an
// empty image, one of another type, or a blur outside 0..kMaxBlurSize, and
// (kMeasureFailed) when memory or the image library fails. When `seen` is
// given, it receives the icon as the descriptors see it: distorted and
// resampled to 62 x 62 BGR (what the card draws, vexlor/card.h).
Descriptors Describe(const cv::Mat& icon, const Distortion& distortion = {},
                     cv::Mat* seen = nullptr);

// Loads the icon file at `path` with `load` and measures it with
// `distortion`: the one path from a file to its record, used by every
// vexlor front end. kBadIcon or kIconRefused when the icon cannot be loaded
// (its record is kBadIcon; Status::bad_icon()), kMeasureFailed when it was
// loaded but could not be measured (memory, image library). Reports every
// failure in the Status, never by an exception. `seen` as for Describe.
Status DescribeFile(const std::string& path, const LoadSettings& load,
                    const Distortion& distortion, std::optional<Descriptors>* out,
                    cv::Mat* seen = nullptr);

// The same with the default LoadSettings (no background, SVGs at their
// natural size).
Status DescribeFile(const std::string& path, const Distortion& distortion,
                    std::optional<Descriptors>* out, cv::Mat* seen = nullptr);

}  // namespace vexlor

#endif  // VEXLOR_VEXLOR_H_
