#ifndef VEXLOR_DECODE_IMAGE_LIBRARY_H_
#define VEXLOR_DECODE_IMAGE_LIBRARY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/icon_pixels.h"
#include "vexlor/distortion.h"

namespace vexlor {

// What only the image library does for an icon: decoding every format but
// PNG (which the core decodes itself), encoding for saving, and the
// distortions. The library links these in; the command-line tools load them
// from a plugin (vexlor-imaging.so, beside the programs or in
// ../libexec/vexlor/) only when an icon needs them: loading the library and
// its dependencies costs a single run several times all its own work.
//
// Every operation reports the library's failures in its result, never by an
// exception of the library's own type.
enum class LibraryDecoding {
  kDecoded,
  kNoImage,      // no image the library reads
  kTooLarge,     // more than the pixel limit, refused before allocating it
  kOutOfMemory,
};

struct ImageLibrary {
  // Decodes the file at `path`, or `size` bytes, in colour mode without
  // applying the orientation tag; refuses images beyond `max_pixels`. Over a
  // set `background`, an image with alpha is composited over it: its colour
  // as colour mode reads it, its alpha as the library reads the image
  // unchanged (8 bits; the high byte of 16; a float's x 255, rounded).
  LibraryDecoding (*read)(const std::string& path, std::uint64_t max_pixels,
                          const Background& background, IconPixels* icon);
  LibraryDecoding (*decode)(const std::uint8_t* bytes, std::size_t size, std::uint64_t max_pixels,
                            const Background& background, IconPixels* icon);
  // Encodes `icon` in the format `extension` (".png", ...) selects; "" on
  // success, else the reason.
  std::string (*encode)(const std::string& extension, const BgrImageView& icon,
                        std::vector<std::uint8_t>* bytes);
  // IconProcess (vexlor/icon.h) in place. Throws vexlor::Error.
  void (*distort)(IconPixels& icon, const Distortion& distortion);
};

// The image library, or null with the reason in `*why` when it cannot be
// loaded. Thread-safe; loads at most once.
const ImageLibrary* GetImageLibrary(std::string* why);

// The operations of the image library this is linked with.
const ImageLibrary& LinkedImageLibrary();

}  // namespace vexlor

#endif  // VEXLOR_DECODE_IMAGE_LIBRARY_H_
