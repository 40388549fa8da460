#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "report/whole_file.h"
#include "vexlor/card.h"

namespace vexlor {

namespace {

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, png_size_t size) {
  auto* bytes = static_cast<std::string*>(png_get_io_ptr(png));
  bytes->append(reinterpret_cast<const char*>(data), size);
}

// The part that may longjmp: nothing with a destructor lives here. Fixed
// settings (no time stamp, default compression) keep the bytes reproducible.
bool Encode(const cv::Mat& card, png_structp png, png_infop info, png_bytep* rows,
            std::string* bytes) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_write_fn(png, bytes, Append, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(card.cols), static_cast<png_uint_32>(card.rows),
               8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  png_set_bgr(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

Status WriteCardPng(const cv::Mat& card, const std::string& path) {
  if (card.type() != CV_8UC3 || card.empty())
    return Status::InvalidArgument("a card is an 8-bit BGR image");
  std::string bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::vector<png_bytep> rows(static_cast<size_t>(card.rows));
  for (int y = 0; y < card.rows; ++y)
    rows[static_cast<size_t>(y)] = const_cast<png_bytep>(card.ptr(y));
  const bool encoded = info != nullptr && Encode(card, png, info, rows.data(), &bytes);
  png_destroy_write_struct(&png, &info);
  if (!encoded) return Status::IOError("cannot encode the card '" + path + "' as PNG");
  if (const int failure = WriteWholeFile(path, bytes.data(), bytes.size()); failure != 0)
    return Status::IOError("cannot write the card '" + path + "': " + std::strerror(failure));
  return {};
}

}  // namespace vexlor
