// The floor of any per-icon tool: only decodes every icon of a list, in one
// process on one thread, the way vexlor loads it.
// Usage: vexlor_decode_floor LIST

#include <cstdio>
#include <fstream>
#include <string>

#include <opencv2/imgcodecs.hpp>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s LIST\n", argv[0]);
    return 1;
  }
  std::ifstream list(argv[1]);
  long decoded = 0, pixels = 0;
  for (std::string path; std::getline(list, path);) {
    const cv::Mat icon = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
    decoded += !icon.empty();
    pixels += static_cast<long>(icon.total());
  }
  std::printf("%ld icons decoded, %ld pixels\n", decoded, pixels);
  return 0;
}
