#include "decode/image_library.h"

namespace vexlor {

const ImageLibrary* GetImageLibrary(std::string*) { return &LinkedImageLibrary(); }

}  // namespace vexlor
