#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "vexlor/card.h"

namespace vexlor {

namespace {

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Ignore(png_structp, png_const_charp) {}

// The part that may longjmp: nothing with a destructor lives here. Fixed
// settings (no time stamp, default compression) keep the bytes reproducible.
bool Encode(std::FILE* file, const cv::Mat& card, png_structp png, png_infop info,
            png_bytep* rows) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
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

bool EncodePng(std::FILE* file, const cv::Mat& card) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Ignore);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows(static_cast<size_t>(card.rows));
  for (int y = 0; y < card.rows; ++y) rows[static_cast<size_t>(y)] = const_cast<png_bytep>(card.ptr(y));
  const bool ok = info != nullptr && Encode(file, card, png, info, rows.data());
  png_destroy_write_struct(&png, &info);
  return ok;
}

Status Failure(const std::string& path, int error) {
  return Status::IOError("cannot write the card '" + path + "': " + std::strerror(error));
}

}  // namespace

Status WriteCardPng(const cv::Mat& card, const std::string& path) {
  if (card.type() != CV_8UC3 || card.empty())
    return Status::InvalidArgument("a card is an 8-bit BGR image");
  struct stat st{};
  const bool inPlace = ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
  std::string target = path;
  int fd = -1;
  if (inPlace) {
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  } else {
    target = path + ".XXXXXX";
    fd = ::mkostemp(target.data(), O_CLOEXEC);
    // mkostemp makes it private; a picture is for others to read too.
    if (fd >= 0) ::fchmod(fd, 0644);
  }
  if (fd < 0) return Failure(path, errno);
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    ::close(fd);
    if (!inPlace) ::unlink(target.c_str());
    return Failure(path, error);
  }
  errno = 0;
  bool ok = EncodePng(file, card) && std::fflush(file) == 0;
  int error = errno != 0 ? errno : EIO;
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && !inPlace && ::rename(target.c_str(), path.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok && !inPlace) ::unlink(target.c_str());
  return ok ? Status() : Failure(path, error);
}

}  // namespace vexlor
