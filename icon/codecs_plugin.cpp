// The plugin vexlor-codecs.so: the image library's codecs behind one C entry
// point, for programs that load them only when needed.

#include "icon/image_codecs.h"

extern "C" __attribute__((visibility("default"))) const vexlor::ImageCodecs*
vexlor_image_codecs_v1() {
  return &vexlor::LinkedImageCodecs();
}
