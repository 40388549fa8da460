#include "report/png_encoder.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace vexlor {

namespace {

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, png_size_t size) {
  auto* bytes = static_cast<std::string*>(png_get_io_ptr(png));
  bytes->append(reinterpret_cast<const char*>(data), size);
}

// The part that may longjmp: nothing with a destructor lives here.
bool Encode(const BgrImageView& image, png_structp png, png_infop info, png_bytep* rows,
            std::string* bytes) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_write_fn(png, bytes, Append, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.cols),
               static_cast<png_uint_32>(image.rows), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 6);
  png_write_info(png, info);
  png_set_bgr(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool EncodePng(const BgrImageView& image, std::string* bytes) {
  if (image.empty()) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.rows));
  for (int y = 0; y < image.rows; ++y) rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.row(y));
  bytes->clear();
  const bool encoded = info != nullptr && Encode(image, png, info, rows.data(), bytes);
  png_destroy_write_struct(&png, &info);
  return encoded;
}

}  // namespace vexlor
