// The core's blur against the image library's GaussianBlur for every image
// size from 1 x 1 to SIDE x SIDE at every blur from FIRST to LAST: longer
// than a test may take (hours for every blur to 255 on one core), so run by
// hand; split the blurs over processes to use more cores. Pixels random,
// uniform 0, uniform 255 or a checkerboard, in turn.
// Usage: vexlor_blur_every_size FIRST LAST [SIDE]   (SIDE default 70)

#include <cstdio>
#include <cstdlib>
#include <random>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "pixels/pixel_distortion.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FIRST LAST [SIDE]\n", argv[0]);
    return 1;
  }
  const int first = std::atoi(argv[1]), last = std::atoi(argv[2]);
  const int side = argc > 3 ? std::atoi(argv[3]) : 70;
  if (first < 1 || last > kMaxTabulatedBlur || first > last || side < 1) {
    std::fprintf(stderr, "blurs 1..%d, sides from 1\n", kMaxTabulatedBlur);
    return 1;
  }
  cv::setNumThreads(0);
  std::mt19937 random(static_cast<unsigned>(first));
  long images = 0;
  for (int blur = first; blur <= last; ++blur) {
    for (int rows = 1; rows <= side; ++rows)
      for (int cols = 1; cols <= side; ++cols) {
        cv::Mat image(rows, cols, CV_8UC3);
        const int fill = (rows + cols + blur) % 4;
        for (int r = 0; r < rows; ++r)
          for (int i = 0; i < cols * 3; ++i)
            image.ptr(r)[i] = static_cast<std::uint8_t>(
                fill == 0 ? random() : fill == 1 ? 0 : fill == 2 ? 255 : ((r + i / 3) & 1) * 255);
        cv::Mat expected;
        cv::GaussianBlur(image, expected, cv::Size(2 * blur + 1, 2 * blur + 1), 0, 0,
                         cv::BORDER_REPLICATE);
        GaussianBlurPixels({image.data, image.rows, image.cols, image.step}, blur);
        if (cv::norm(image, expected, cv::NORM_INF) != 0) {
          std::printf("DIFFERENT: blur %d, %d x %d\n", blur, rows, cols);
          return 1;
        }
        ++images;
      }
    std::printf("blur %d: every size to %d x %d equal\n", blur, side, side);
    std::fflush(stdout);
  }
  std::printf("%ld images, blurs %d..%d: all equal\n", images, first, last);
  return 0;
}
