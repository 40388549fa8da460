#ifndef VEXLOR_DECODE_OWN_DECODERS_H_
#define VEXLOR_DECODE_OWN_DECODERS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/icon_pixels.h"
#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// The formats the core decodes itself, PNG and JPEG, told apart by their
// signatures as the image library tells them apart; anything else is the
// library's (decode/image_library.h).
//
// Each returns no Status at all (nullopt) for bytes that are no PNG or JPEG,
// or a file that cannot be opened: those are another decoder's. Else the
// decoding's Status (decode/png_decoder.h, decode/jpeg_decoder.h).
//
// A file of up to 4 MB is read whole with one system call and decoded from
// memory; a larger one is read as a stream. May throw std::bad_alloc.
// A PNG is composited over a set `background` (decode/png_decoder.h); a JPEG
// has no alpha. When the file was read whole and is no PNG or JPEG, its
// bytes are left in `*whole` (if given), so that they are not read again.
std::optional<Status> DecodeOwnFormatFile(const std::string& path, std::uint64_t max_pixels,
                                          IconPixels* icon, const Background& background = {},
                                          std::vector<std::uint8_t>* whole = nullptr);
std::optional<Status> DecodeOwnFormatBytes(const std::uint8_t* data, std::size_t size,
                                           std::uint64_t max_pixels, IconPixels* icon,
                                           const Background& background = {});

}  // namespace vexlor

#endif  // VEXLOR_DECODE_OWN_DECODERS_H_
