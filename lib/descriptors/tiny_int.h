#ifndef VEXLOR_DESCRIPTORS_TINY_INT_H_
#define VEXLOR_DESCRIPTORS_TINY_INT_H_

#include <cstdint>

namespace vexlor {

// The TinyInt form of a descriptor value already multiplied by its section's
// factor: capped at 255 and truncated toward zero. Values are never negative.
inline std::uint32_t TinyInt(double scaled) {
  if (scaled > 255.0) scaled = 255.0;
  return static_cast<std::uint32_t>(scaled);
}

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_TINY_INT_H_
