#include "decode/image_signatures.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "decode/jpeg_decoder.h"
#include "decode/png_decoder.h"
#include "decode/svg_renderer.h"

namespace vexlor {

namespace {

bool StartsWith(const std::uint8_t* head, std::size_t size, const char* mark, std::size_t length) {
  return size >= length && std::memcmp(head, mark, length) == 0;
}

// P then one of `kinds`, then white space: P1 ... P7 (PBM, PGM, PPM, PAM),
// PF / Pf (PFM).
bool IsAnyMap(const std::uint8_t* head, std::size_t size, const char* kinds) {
  return size >= 3 && head[0] == 'P' && head[1] != '\0' && std::strchr(kinds, head[1]) != nullptr &&
         head[2] != '\0' && std::strchr(" \t\r\n", head[2]) != nullptr;
}

}  // namespace

bool ReadOnlyFromFiles(const std::uint8_t* head, std::size_t size) {
  const auto starts = [&](const char* mark, std::size_t length) {
    return StartsWith(head, size, mark, length);
  };
  return IsAnyMap(head, size, "Ff") || starts("\x76\x2f\x31\x01", 4) || starts("#?RADIANCE", 10) ||
         starts("#?RGBE", 6) || starts("\x59\xa6\x6a\x95", 4);
}

bool LooksLikeImage(const std::uint8_t* head, std::size_t size) {
  const auto starts = [&](const char* mark, std::size_t length) {
    return StartsWith(head, size, mark, length);
  };
  return HasPngSignature(head, size) || HasJpegSignature(head, size) ||
         LooksLikeSvg(head, size) || starts("GIF87a", 6) || starts("GIF89a", 6) ||
         starts("BM", 2) || starts("II*\0", 4) || starts("MM\0*", 4) ||
         (starts("RIFF", 4) && size >= 12 && std::memcmp(head + 8, "WEBP", 4) == 0) ||
         IsAnyMap(head, size, "1234567") || starts("\0\0\0\x0cjP  \r\n\x87\n", 12) ||
         starts("\xff\x4f\xff\x51", 4) || ReadOnlyFromFiles(head, size);
}

bool FileLooksLikeImage(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return false;
  std::uint8_t head[4096];
  return LooksLikeImage(head, std::fread(head, 1, sizeof head, file.get()));
}

}  // namespace vexlor
