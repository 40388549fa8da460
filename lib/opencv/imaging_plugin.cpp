// The plugin vexlor-imaging.so: the image library's operations behind one C
// entry point, for programs that load them only when an icon needs them.

#include <opencv2/core.hpp>
#include <opencv2/core/utils/logger.hpp>

#include "decode/image_library.h"

extern "C" __attribute__((visibility("default"))) const vexlor::ImageLibrary*
vexlor_image_library_v3() {
  // The programs report failures in their own words, and run their own
  // threads: the library's warnings and worker threads only cost them.
  cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
  cv::setNumThreads(0);
  return &vexlor::LinkedImageLibrary();
}
