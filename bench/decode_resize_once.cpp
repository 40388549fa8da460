// The least a one-icon-per-process tool can do: decode one PNG with libpng
// and resize it to 62 x 62, linking only the image library's core and
// imgproc. bench/real_icons.sh compares one vexlor run per icon with it.
// Usage: vexlor_decode_resize_once ICON.png

#include <png.h>

#include <cstdio>
#include <vector>

#include <opencv2/imgproc.hpp>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s ICON.png\n", argv[0]);
    return 1;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, argv[1])) return 1;
  image.format = PNG_FORMAT_BGR;
  cv::Mat icon(static_cast<int>(image.height), static_cast<int>(image.width), CV_8UC3);
  if (!png_image_finish_read(&image, nullptr, icon.data, static_cast<int>(icon.step), nullptr))
    return 1;
  cv::Mat small;
  cv::resize(icon, small, cv::Size(62, 62), 0, 0, cv::INTER_LINEAR);
  std::printf("%d\n", small.at<cv::Vec3b>(0, 0)[0]);  // keeps the work from being dropped
  return 0;
}
