#include <new>
#include <optional>
#include <string>

#include "descriptors/lab_icon.h"
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

bool LeavesIconAsItIs(const Distortion& d) {
  return d.blur == 0 && d.red == 1.0 && d.green == 1.0 && d.blue == 1.0;
}

// Runs `measure`, turning what the image library or the allocator throws
// into a kMeasureFailed status.
template <typename Measure>
Status Measuring(Measure measure) {
  try {
    measure();
    return {};
  } catch (const std::exception& e) {
    return StatusOf(e);
  }
}

}  // namespace

Status StatusOf(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return error->status();
  if (const auto* library = dynamic_cast<const cv::Exception*>(&e))
    return Status::MeasureFailed("image library error: " + library->err);
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
    return Status::MeasureFailed("out of memory");
  return Status::MeasureFailed(e.what());
}

namespace {

// The one measurement: distorts `icon` (which the caller gives up) in place
// and builds its record, or says why it could not.
Status DescribeInPlace(cv::Mat& icon, const Distortion& distortion,
                       std::optional<Descriptors>* out, cv::Mat* seen) {
  out->reset();
  const Status status = CheckIcon(icon);
  if (!status.ok()) return status;
  return Measuring([&] {
    IconProcess(icon, distortion);
    if (seen == nullptr) {
      out->emplace(icon);
    } else {
      // The resampled icon measures as the original: no second resampling.
      *seen = NormaliseSize(icon).clone();
      out->emplace(*seen);
    }
  });
}

}  // namespace

Descriptors Describe(const cv::Mat& icon, const Distortion& distortion, cv::Mat* seen) {
  // Only a distortion needs a copy: the caller's image is never changed.
  cv::Mat own = LeavesIconAsItIs(distortion) ? icon : icon.clone();
  std::optional<Descriptors> described;
  const Status status = DescribeInPlace(own, distortion, &described, seen);
  if (!status.ok()) throw Error(status);
  return std::move(*described);
}

Status DescribeFile(const std::string& path, const Distortion& distortion,
                    std::optional<Descriptors>* out, cv::Mat* seen) {
  out->reset();
  Status status;
  try {
    cv::Mat icon;
    status = LoadIcon(path, &icon);
    if (!status.ok()) return status;
    status = DescribeInPlace(icon, distortion, out, seen);
  } catch (const std::exception& e) {
    status = StatusOf(e);
  }
  if (status.ok()) return status;
  return Status::MeasureFailed("cannot measure '" + path + "': " + status.message());
}

}  // namespace vexlor
