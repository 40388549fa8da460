// Linked into the programs that load the image library at start (vexlor-card,
// vexlor-window): the library reads OPENCV_IO_MAX_IMAGE_PIXELS while its
// statics are built, before main, and dies of a value that is no limit. An
// entry of .preinit_array runs before any shared library's initialisers.
#include "decode/pixel_limit.h"

namespace {

void PassPixelLimitEarly(int, char**, char** environment) {
  vexlor::ReadPixelLimitBeforeStart(environment);
}

__attribute__((section(".preinit_array"), used)) void (*const kPassPixelLimitEarly)(
    int, char**, char**) = PassPixelLimitEarly;

}  // namespace
