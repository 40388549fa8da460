#ifndef VEXLOR_ICON_IMAGE_CODECS_H_
#define VEXLOR_ICON_IMAGE_CODECS_H_

#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace vexlor {

// The image library's codecs: every format but PNG, which the core decodes
// itself, and all saving. The library links them in; the command-line tools
// load them from a plugin (vexlor-codecs.so, beside the programs or in
// ../libexec/vexlor/) only when a file needs them, because loading them and
// their dependencies costs a single run more than all its work.
struct ImageCodecs {
  cv::Mat (*read)(const std::string& path, int flags);
  cv::Mat (*decode)(const cv::Mat& bytes, int flags);
  bool (*encode)(const std::string& extension, const cv::Mat& image, std::vector<uchar>* bytes);
};

// The codecs, or null with the reason in `*why` when they cannot be loaded.
// Thread-safe; loads at most once.
const ImageCodecs* GetImageCodecs(std::string* why);

// The codecs of the image library this is linked with.
const ImageCodecs& LinkedImageCodecs();

}  // namespace vexlor

#endif  // VEXLOR_ICON_IMAGE_CODECS_H_
