// Time per icon of the descriptor computation alone (no decoding): the whole
// constructor, and the cell stage on ready working images.
// Usage: vexlor_descriptors_speed ICON [ROUNDS]

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "opencv/gradient_maps.h"
#include "opencv/lab_icon.h"
#include "opencv/working_images_measure.h"
#include "vexlor/descriptors.h"
#include "vexlor/icon.h"

namespace {

using namespace vexlor;

template <typename F>
double MicrosecondsPerCall(int rounds, F f) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) f();
  const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s ICON [ROUNDS]\n", argv[0]);
    return 1;
  }
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 20000;
  cv::Mat icon;
  if (const Status loaded = LoadIcon(argv[1], &icon); !loaded.ok()) {
    std::fprintf(stderr, "%s\n", loaded.message().c_str());
    return 1;
  }
  Descriptors d(icon);
  const cv::Mat lab = NormaliseToLab(icon);
  const GradientMaps maps = ComputeGradientMaps(lab);
  double checksum = 0;
  const double whole = MicrosecondsPerCall(rounds, [&] {
    d.CalcDescriptors(icon);
    checksum += d.recDesc()[0];
  });
  const double normalise = MicrosecondsPerCall(rounds, [&] { checksum += NormaliseToLab(icon).data[0]; });
  const double gradient = MicrosecondsPerCall(rounds, [&] {
    checksum += ComputeGradientMaps(lab).magnitude.at<float>(1, 1);
  });
  const double cells = MicrosecondsPerCall(rounds, [&] {
    WorkingImagesMeasure::Calc(lab, maps, &d);
    checksum += d.recDesc()[0];
  });
  std::printf("%dx%d icon, %d rounds (checksum %g)\n", icon.cols, icon.rows, rounds, checksum);
  std::printf("  CalcDescriptors        %8.2f us\n", whole);
  std::printf("    resample + Lab       %8.2f us\n", normalise);
  std::printf("    gradient maps        %8.2f us\n", gradient);
  std::printf("    cells and groups     %8.2f us\n", cells);
  return 0;
}
