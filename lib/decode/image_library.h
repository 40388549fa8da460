#ifndef VEXLOR_DECODE_IMAGE_LIBRARY_H_
#define VEXLOR_DECODE_IMAGE_LIBRARY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/icon_pixels.h"
#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// What only the image library does for an icon: decoding every format but
// PNG (which the core decodes itself), encoding for saving, and the
// distortions. The library links these in; the command-line tools load them
// from a plugin (vexlor-imaging.so, beside the programs or in
// ../libexec/vexlor/) only when an icon needs them: loading the library and
// its dependencies costs a single run several times all its own work.
//
// Every operation reports the library's failures in its Status, never by an
// exception of the library's own type.
struct ImageLibrary {
  // Decodes the file at `path`, or `size` bytes, in colour mode without
  // applying the orientation tag; refuses images beyond `max_pixels`. Over a
  // set `background`, an image with alpha is composited over it: its colour
  // as colour mode reads it, its alpha as the library reads the image
  // unchanged (8 bits; the high byte of 16; a float's x 255, rounded).
  // Fails as decode/decoding_failures.h says: NoImage(), MorePixelsThan()
  // (refused before the image is allocated), OutOfMemory().
  Status (*read)(const std::string& path, std::uint64_t max_pixels, const Background& background,
                 IconPixels* icon);
  Status (*decode)(const std::uint8_t* bytes, std::size_t size, std::uint64_t max_pixels,
                   const Background& background, IconPixels* icon);
  // Encodes `icon` in the format `extension` (".png", ...) selects; an
  // IOError with the library's reason alone when it cannot.
  Status (*encode)(const std::string& extension, const BgrImageView& icon,
                   std::vector<std::uint8_t>* bytes);
  // IconProcess (vexlor/icon.h) in place. Throws vexlor::Error.
  void (*distort)(IconPixels& icon, const Distortion& distortion);
};

// Sets `*library` to the image library; an IOError with the reason alone
// when it cannot be loaded. Thread-safe; loads at most once.
Status GetImageLibrary(const ImageLibrary** library);

// The operations of the image library this is linked with.
const ImageLibrary& LinkedImageLibrary();

}  // namespace vexlor

#endif  // VEXLOR_DECODE_IMAGE_LIBRARY_H_
