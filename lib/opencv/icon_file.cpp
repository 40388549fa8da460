// The icon functions of the public interface, for image-library matrices.
#include <opencv2/core/utils/logger.hpp>

#include "decode/icon_loading.h"
#include "opencv/matrices.h"
#include "vexlor/icon.h"

namespace vexlor {

namespace {

Status ToMatrix(const std::string& what, const Status& status, const IconPixels& pixels,
                cv::Mat* icon) {
  icon->release();
  if (!status.ok()) return status;
  try {
    *icon = MatrixCopyOf(pixels.view());
  } catch (const std::exception&) {
    return Status::IconRefused("cannot load " + what + ": out of memory");
  }
  return status;
}

}  // namespace

Status LoadIcon(const std::string& path, cv::Mat* icon, const Background& background) {
  IconPixels pixels;
  const Status status = LoadIconPixels(path, &pixels, {.background = background});
  return ToMatrix("'" + path + "'", status, pixels, icon);
}

Status DecodeIcon(const cv::Mat& encoded, cv::Mat* icon) {
  CV_Assert(encoded.isContinuous());
  IconPixels pixels;
  const Status status =
      DecodeIconPixels(encoded.ptr(), encoded.total() * encoded.elemSize(), &pixels);
  return ToMatrix("an image in memory", status, pixels, icon);
}

Status SaveIcon(const std::string& path, const cv::Mat& icon) {
  if (icon.empty() || icon.type() != CV_8UC3 || icon.dims != 2)
    return Status::InvalidArgument("cannot save the icon as '" + path +
                                   "': it is no 8-bit BGR image");
  return SaveIconPixels(path, ViewOf(icon));
}

void QuietImageLibrary() {
  cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
}

}  // namespace vexlor
