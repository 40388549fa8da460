#ifndef VEXLOR_DECODE_IMAGE_SIGNATURES_H_
#define VEXLOR_DECODE_IMAGE_SIGNATURES_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace vexlor {

// Whether `head`, the first bytes of a file, start as an image of a format
// that vexlor or the image library reads: PNG, JPEG, SVG (or gzipped SVG),
// GIF, BMP, TIFF, WebP, the portable any-maps (PBM ... PAM, PFM), JPEG 2000,
// OpenEXR, Radiance HDR or Sun raster. A file that fails to load and is none
// of them is no image at all (a theme's index.theme, a cursor), not a
// damaged one.
bool LooksLikeImage(const std::uint8_t* head, std::size_t size);

// Whether `head` starts as an image of a format that the image library reads
// only from files (OpenEXR, Radiance HDR, PFM, Sun raster): handed such bytes
// in memory, it writes them to a temporary file of its own, which it leaves
// behind in /tmp when it refuses the image after its header.
bool ReadOnlyFromFiles(const std::uint8_t* head, std::size_t size);

// The same as LooksLikeImage for the first bytes of the file at `path`;
// false when it cannot be read.
bool FileLooksLikeImage(const std::string& path);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_IMAGE_SIGNATURES_H_
