// Makes a set of varied icons for the benchmarks from the shipped test icons:
// shifted, cropped, rescaled and recoloured copies, mostly PNG with some JPEG,
// and prints their paths, one per line.
// Usage: vexlor_make_icons SOURCE_DIR OUT_DIR COUNT [SEED]

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: %s SOURCE_DIR OUT_DIR COUNT [SEED]\n", argv[0]);
    return 1;
  }
  std::vector<cv::Mat> sources;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    if (entry.path().extension() != ".png") continue;
    cv::Mat icon = cv::imread(entry.path().string(), cv::IMREAD_UNCHANGED);
    if (!icon.empty() && icon.depth() == CV_8U && icon.cols >= 16 && icon.rows >= 16)
      sources.push_back(icon);
  }
  if (sources.empty()) {
    std::fprintf(stderr, "no source icons in %s\n", argv[1]);
    return 1;
  }
  std::filesystem::create_directories(argv[2]);
  const int count = std::atoi(argv[3]);
  std::mt19937 random(argc == 5 ? static_cast<unsigned>(std::atol(argv[4])) : 20261207u);
  for (int i = 0; i < count; ++i) {
    const cv::Mat& source = sources[random() % sources.size()];
    // A random crop of 70..100 % of each side, scaled to one of the sizes
    // icon themes ship.
    const int w = source.cols * (70 + random() % 31) / 100;
    const int h = source.rows * (70 + random() % 31) / 100;
    const cv::Rect crop(random() % (source.cols - w + 1), random() % (source.rows - h + 1), w, h);
    static const int kSides[] = {16, 24, 32, 48, 64, 96, 128, 256};
    const int side = kSides[random() % std::size(kSides)];
    cv::Mat icon;
    cv::resize(source(crop), icon, cv::Size(side, side), 0, 0,
               side < w ? cv::INTER_AREA : cv::INTER_CUBIC);
    icon.convertTo(icon, -1, 0.7 + (random() % 60) / 100.0, static_cast<int>(random() % 40) - 20);
    const bool jpeg = random() % 5 == 0;
    if (jpeg && icon.channels() == 4) cv::cvtColor(icon, icon, cv::COLOR_BGRA2BGR);
    const std::string path = std::string(argv[2]) + "/icon" + std::to_string(i) +
                             (jpeg ? ".jpg" : ".png");
    cv::imwrite(path, icon);
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
