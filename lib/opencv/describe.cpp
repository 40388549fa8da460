// Describe and DescribeFile: the public measuring interface for
// image-library matrices, over the one measuring path.
#include <optional>
#include <string>

#include "descriptors/measure.h"
#include "opencv/lab_icon.h"
#include "vexlor/vexlor.h"

namespace vexlor {

namespace {

// The blur is IconProcess's to check.
Status CheckIcon(const cv::Mat& icon) {
  if (icon.empty()) return Status::InvalidArgument("cannot describe an empty image");
  if (icon.type() != CV_8UC3)
    return Status::InvalidArgument("cannot describe an image of type " +
                                   cv::typeToString(icon.type()) +
                                   ": an icon is 8-bit with 3 channels (CV_8UC3, BGR)");
  if (icon.dims != 2)
    return Status::InvalidArgument("cannot describe an image of more than 2 dimensions");
  return {};
}

}  // namespace

Descriptors Describe(const cv::Mat& icon, const Distortion& distortion, cv::Mat* seen) {
  Status status = CheckIcon(icon);
  if (!status.ok()) throw Error(status);
  try {
    // Only a distortion needs a copy: the caller's image is never changed.
    cv::Mat own = LeavesIconAsItIs(distortion) ? icon : icon.clone();
    IconProcess(own, distortion);
    NormalisedIcon normalised;
    Descriptors d = MeasureDistorted(ViewOf(own), seen != nullptr ? &normalised : nullptr);
    if (seen != nullptr) *seen = MatrixCopyOf(normalised.view());
    return d;
  } catch (const cv::Exception& e) {
    status = LibraryError(e);
  } catch (const std::exception& e) {
    status = StatusOf(e);
  }
  throw Error(status);
}

Status DescribeFile(const std::string& path, const LoadSettings& load,
                    const Distortion& distortion, std::optional<Descriptors>* out,
                    cv::Mat* seen) {
  NormalisedIcon normalised;
  const Status status =
      MeasureIconFile(path, load, distortion, out, seen != nullptr ? &normalised : nullptr);
  if (status.ok() && seen != nullptr) {
    try {
      *seen = MatrixCopyOf(normalised.view());
    } catch (const std::exception&) {
      out->reset();
      return Status::MeasureFailed("cannot measure '" + path + "': out of memory");
    }
  }
  return status;
}

Status DescribeFile(const std::string& path, const Distortion& distortion,
                    std::optional<Descriptors>* out, cv::Mat* seen) {
  return DescribeFile(path, LoadSettings{}, distortion, out, seen);
}

}  // namespace vexlor
