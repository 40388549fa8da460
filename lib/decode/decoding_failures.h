#ifndef VEXLOR_DECODE_DECODING_FAILURES_H_
#define VEXLOR_DECODE_DECODING_FAILURES_H_

#include <cstdint>
#include <string>

#include "vexlor/status.h"

namespace vexlor {

// How every decoder below the loader (decode/icon_loading.h) fails: with a
// Status whose message is the reason alone, which the loader puts after
// "cannot load PATH: ". kBadIcon: the bytes are no image; kIconRefused: an
// image beyond a bound, or one whose decoding went beyond its memory or
// time; kIOError: something the decoding needs (the image library, the SVG
// renderer) is not there.

inline Status NoImage() { return Status::BadIcon("no image that the image library reads"); }

inline Status MorePixelsThan(std::uint64_t max_pixels) {
  return Status::IconRefused("more than " + std::to_string(max_pixels) + " pixels");
}

inline Status OutOfMemory() { return Status::IconRefused("out of memory"); }

// `reason` with `context` before it, the code kept.
Status WithContext(const std::string& context, const Status& reason);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_DECODING_FAILURES_H_
