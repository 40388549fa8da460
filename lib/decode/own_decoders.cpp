#include "decode/own_decoders.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "decode/file_bytes.h"
#include "decode/jpeg_decoder.h"
#include "decode/png_decoder.h"

namespace vexlor {

namespace {

// A decoder's outcome; `notOurs` is its "no such file" value.
template <typename Decoding>
OwnDecoding From(Decoding result, Decoding notOurs) {
  if (result == Decoding::kDecoded) return OwnDecoding::kDecoded;
  if (result == notOurs) return OwnDecoding::kNotOurs;
  if (result == Decoding::kTooLarge) return OwnDecoding::kTooLarge;
  return OwnDecoding::kFailed;
}

OwnDecoding From(JpegDecoding result) {
  if (result == JpegDecoding::kTooManyScans) return OwnDecoding::kTooManyScans;
  if (result == JpegDecoding::kTooMuchMemory) return OwnDecoding::kTooMuchMemory;
  return From(result, JpegDecoding::kNotJpeg);
}

}  // namespace

OwnDecoding DecodeOwnFormatBytes(const std::uint8_t* data, std::size_t size,
                                 std::uint64_t max_pixels, IconPixels* icon,
                                 const Background& background) {
  if (const JpegDecoding jpeg = DecodeJpegBytes(data, size, max_pixels, icon);
      jpeg != JpegDecoding::kNotJpeg)
    return From(jpeg);
  return From(DecodePngBytes(data, size, max_pixels, icon, background), PngDecoding::kNotPng);
}

OwnDecoding DecodeOwnFormatFile(const std::string& path, std::uint64_t max_pixels,
                                IconPixels* icon, const Background& background,
                                std::vector<std::uint8_t>* whole) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return OwnDecoding::kNotOurs;
  if (std::vector<std::uint8_t> bytes; ReadWholeSmallFile(file.get(), &bytes)) {
    const OwnDecoding decoded =
        DecodeOwnFormatBytes(bytes.data(), bytes.size(), max_pixels, icon, background);
    if (decoded == OwnDecoding::kNotOurs && whole != nullptr) *whole = std::move(bytes);
    return decoded;
  }
  if (const JpegDecoding jpeg = DecodeJpeg(file.get(), max_pixels, icon);
      jpeg != JpegDecoding::kNotJpeg)
    return From(jpeg);
  return From(DecodePng(file.get(), max_pixels, icon, background), PngDecoding::kNotPng);
}

}  // namespace vexlor
