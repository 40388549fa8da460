#include "decode/own_decoders.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "decode/file_bytes.h"
#include "decode/jpeg_decoder.h"
#include "decode/png_decoder.h"

namespace vexlor {

std::optional<Status> DecodeOwnFormatBytes(const std::uint8_t* data, std::size_t size,
                                           std::uint64_t max_pixels, IconPixels* icon,
                                           const Background& background) {
  if (HasJpegSignature(data, size)) return DecodeJpegBytes(data, size, max_pixels, icon);
  if (HasPngSignature(data, size))
    return DecodePngBytes(data, size, max_pixels, icon, background);
  return std::nullopt;
}

std::optional<Status> DecodeOwnFormatFile(const std::string& path, std::uint64_t max_pixels,
                                          IconPixels* icon, const Background& background,
                                          std::vector<std::uint8_t>* whole) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return std::nullopt;
  if (std::vector<std::uint8_t> bytes; ReadWholeSmallFile(file.get(), &bytes)) {
    std::optional<Status> decoded =
        DecodeOwnFormatBytes(bytes.data(), bytes.size(), max_pixels, icon, background);
    if (!decoded && whole != nullptr) *whole = std::move(bytes);
    return decoded;
  }
  std::uint8_t head[8];
  const std::size_t got = std::fread(head, 1, sizeof head, file.get());
  std::rewind(file.get());
  if (HasJpegSignature(head, got)) return DecodeJpeg(file.get(), max_pixels, icon);
  if (HasPngSignature(head, got)) return DecodePng(file.get(), max_pixels, icon, background);
  return std::nullopt;
}

}  // namespace vexlor
