#include "icon/image_codecs.h"

namespace vexlor {

const ImageCodecs* GetImageCodecs(std::string*) { return &LinkedImageCodecs(); }

}  // namespace vexlor
