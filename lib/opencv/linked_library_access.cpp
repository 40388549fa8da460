#include "decode/image_library.h"

namespace vexlor {

Status GetImageLibrary(const ImageLibrary** library) {
  *library = &LinkedImageLibrary();
  return {};
}

}  // namespace vexlor
