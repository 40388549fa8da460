#include "icon/own_decoders.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "icon/file_bytes.h"
#include "icon/jpeg_decoder.h"
#include "icon/png_decoder.h"

namespace vexlor {

namespace {

OwnDecoding From(PngDecoding png) {
  switch (png) {
    case PngDecoding::kDecoded: return OwnDecoding::kDecoded;
    case PngDecoding::kNotPng: return OwnDecoding::kNotOurs;
    case PngDecoding::kTooLarge: return OwnDecoding::kTooLarge;
    case PngDecoding::kFailed: break;
  }
  return OwnDecoding::kFailed;
}

OwnDecoding From(JpegDecoding jpeg) {
  switch (jpeg) {
    case JpegDecoding::kDecoded: return OwnDecoding::kDecoded;
    case JpegDecoding::kNotJpeg: return OwnDecoding::kNotOurs;
    case JpegDecoding::kTooLarge: return OwnDecoding::kTooLarge;
    case JpegDecoding::kFailed: break;
  }
  return OwnDecoding::kFailed;
}

}  // namespace

OwnDecoding DecodeOwnFormatBytes(const std::uint8_t* data, std::size_t size,
                                 std::uint64_t max_pixels, IconPixels* icon) {
  if (const JpegDecoding jpeg = DecodeJpegBytes(data, size, max_pixels, icon);
      jpeg != JpegDecoding::kNotJpeg)
    return From(jpeg);
  return From(DecodePngBytes(data, size, max_pixels, icon));
}

OwnDecoding DecodeOwnFormatFile(const std::string& path, std::uint64_t max_pixels,
                                IconPixels* icon) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return OwnDecoding::kNotOurs;
  if (std::vector<std::uint8_t> bytes; ReadWholeSmallFile(file.get(), &bytes))
    return DecodeOwnFormatBytes(bytes.data(), bytes.size(), max_pixels, icon);
  if (const JpegDecoding jpeg = DecodeJpeg(file.get(), max_pixels, icon);
      jpeg != JpegDecoding::kNotJpeg)
    return From(jpeg);
  return From(DecodePng(file.get(), max_pixels, icon));
}

}  // namespace vexlor
