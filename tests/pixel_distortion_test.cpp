// The core's blur and channel scaling against the image library's
// GaussianBlur and convertTo, byte for byte.

#include "pixels/pixel_distortion.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "tests/test_support.h"
#include "vexlor/icon.h"

namespace {

using namespace vexlor;

enum class Fill { kRandom, kUniform0, kUniform255, kCheckerboard };

cv::Mat Filled(int rows, int cols, Fill fill, std::mt19937& random) {
  cv::Mat image(rows, cols, CV_8UC3);
  for (int r = 0; r < rows; ++r)
    for (int i = 0; i < cols * 3; ++i) {
      std::uint8_t& v = image.ptr(r)[i];
      switch (fill) {
        case Fill::kRandom: v = static_cast<std::uint8_t>(random()); break;
        case Fill::kUniform0: v = 0; break;
        case Fill::kUniform255: v = 255; break;
        case Fill::kCheckerboard: v = ((r + i / 3) & 1) ? 255 : 0; break;
      }
    }
  return image;
}

BgrImageSpan SpanOf(cv::Mat& image) { return {image.data, image.rows, image.cols, image.step}; }

// Whether our blur of `image` is the library's.
bool BlursAsTheLibrary(const cv::Mat& image, int blur) {
  cv::Mat expected;
  const int aperture = 2 * blur + 1;
  cv::GaussianBlur(image.clone(), expected, cv::Size(aperture, aperture), 0, 0,
                   cv::BORDER_REPLICATE);
  cv::Mat ours = image.clone();
  GaussianBlurPixels(SpanOf(ours), blur);
  return cv::norm(ours, expected, cv::NORM_INF) == 0;
}

TEST(GaussianBlurPixels, EqualsTheLibraryForEverySizeUpTo70x70) {
  std::mt19937 random(1);
  for (int blur = 1; blur <= 8; ++blur)
    for (int rows = 1; rows <= 70; ++rows)
      for (int cols = 1; cols <= 70; ++cols) {
        const Fill fill = static_cast<Fill>((rows * 71 + cols + blur) % 4);
        ASSERT_TRUE(BlursAsTheLibrary(Filled(rows, cols, fill, random), blur))
            << "blur " << blur << ", " << rows << " x " << cols;
      }
}

TEST(GaussianBlurPixels, EqualsTheLibraryForEveryTabulatedBlur) {
  // Sizes below, at and beyond the aperture, lines and single pixels; every
  // fill for each.
  std::mt19937 random(2);
  for (int blur = 1; blur <= kMaxTabulatedBlur; ++blur) {
    const int aperture = 2 * blur + 1;
    const int sides[] = {1, 2, 1 + blur % 13, std::max(1, aperture - 1 - blur % 3),
                         aperture + blur % 5};
    for (const int rows : sides)
      for (const int cols : sides) {
        if (rows * cols * blur > 400000 && rows > 2 && cols > 2) continue;  // time, not cover
        const Fill fill = static_cast<Fill>((rows + cols + blur) % 4);
        ASSERT_TRUE(BlursAsTheLibrary(Filled(rows, cols, fill, random), blur))
            << "blur " << blur << ", " << rows << " x " << cols;
      }
  }
}

TEST(GaussianBlurPixels, EqualsTheLibraryOnLargeImagesAndInsideViews) {
  std::mt19937 random(3);
  const cv::Mat large = Filled(700, 1003, Fill::kRandom, random);
  for (int blur : {1, 2, 3, 9, 40}) EXPECT_TRUE(BlursAsTheLibrary(large, blur)) << blur;

  // A view into a larger image blurs as the same pixels on their own: its
  // border is its own edge, and nothing outside it changes.
  cv::Mat outer = Filled(50, 60, Fill::kRandom, random);
  const cv::Mat before = outer.clone();
  const cv::Rect inside(7, 5, 31, 23);
  cv::Mat view = outer(inside);
  cv::Mat expected;
  cv::GaussianBlur(view.clone(), expected, cv::Size(5, 5), 0, 0, cv::BORDER_REPLICATE);
  GaussianBlurPixels(SpanOf(view), 2);
  EXPECT_EQ(cv::norm(view, expected, cv::NORM_INF), 0);
  cv::Mat outside = outer.clone();
  before(inside).copyTo(outside(inside));
  EXPECT_EQ(cv::norm(outside, before, cv::NORM_INF), 0);
}

// The library's conversion of every sample value 0..255 by `factor`.
cv::Mat LibraryScaled(double factor, int width) {
  cv::Mat values(1, width, CV_8UC1);
  for (int i = 0; i < width; ++i) values.at<std::uint8_t>(i) = static_cast<std::uint8_t>(i);
  cv::Mat out;
  values.convertTo(out, CV_8U, factor, 0.0);
  return out;
}

std::vector<double> ProbingFactors() {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> f = {0.0, -0.0, -1.0, -0.5, 1.0, 0.5, 1.5, 2.5, 0.8, 1.7, 255.5, 256.0,
                           -256.0, 1.0 + 1e-16, 1.0 - 1e-16, 1.0 + 1e-7, 1.0 / 3, 5e-324,
                           1e-310, -1e-310, 1e-40, std::nan(""), -std::nan(""), inf, -inf,
                           1e300, -1e300, 257.0, 1e10};
  // Products that land on halves: (n + 0.5) / v, and the floats beside them.
  for (int v = 1; v < 256; v += 7)
    for (int n : {0, 1, 2, 63, 127, 254}) {
      const double half = (n + 0.5) / v;
      f.push_back(half);
      f.push_back(std::nextafter(static_cast<float>(half), 0.0f));
      f.push_back(std::nextafter(static_cast<float>(half), 1e9f));
    }
  std::mt19937_64 random(4);
  for (int i = 0; i < 20000; ++i) {
    std::uint64_t bits = random();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    f.push_back(i % 2 ? d : std::ldexp(static_cast<double>(bits >> 11) / 0x1p53, i % 20 - 12));
  }
  return f;
}

TEST(ScaledSamples, EqualTheLibrarysConversionForEverySampleValue) {
  // Beyond +-256 the library's product leaves the int range and wraps to 0;
  // the core saturates instead, as the library does for every factor up to
  // there.
  for (const double factor : ProbingFactors()) {
    const double library = std::isnan(factor) ? factor : std::clamp(factor, -256.0, 256.0);
    const std::array<std::uint8_t, 256> ours = ScaledSamples(factor);
    const cv::Mat expected = LibraryScaled(library, 256);
    ASSERT_EQ(std::memcmp(ours.data(), expected.data, 256), 0) << "factor " << factor;
  }
  const std::array<std::uint8_t, 256> unit = ScaledSamples(1.0);
  for (int v = 0; v < 256; ++v) ASSERT_EQ(unit[v], v);
}

TEST(ScaleChannels, EqualsTheLibraryOnWholeImagesOfEveryWidth) {
  // Widths that take the library's vector path, its scalar tail, and both.
  std::mt19937 random(5);
  const double factors[3] = {0.8, 1.0, 2.5};
  for (int cols = 1; cols <= 67; ++cols) {
    cv::Mat image = Filled(3, cols, Fill::kRandom, random);
    cv::Mat channels[3];
    cv::split(image, channels);
    for (int k = 0; k < 3; ++k) channels[k].convertTo(channels[k], CV_8U, factors[k], 0.0);
    cv::Mat expected;
    cv::merge(channels, 3, expected);
    ScaleChannels(SpanOf(image), factors);
    ASSERT_EQ(cv::norm(image, expected, cv::NORM_INF), 0) << cols;
  }
}

TEST(IconProcess, BlursBeyondTheTablesThroughTheLibrary) {
  std::mt19937 random(6);
  cv::Mat icon = Filled(9, 12, Fill::kRandom, random);
  const int blur = kMaxTabulatedBlur + 1;
  cv::Mat expected;
  cv::GaussianBlur(icon, expected, cv::Size(2 * blur + 1, 2 * blur + 1), 0, 0,
                   cv::BORDER_REPLICATE);
  expected.convertTo(expected, CV_8U, 0.5);
  IconProcess(icon, Distortion{blur, 0.5, 0.5, 0.5});
  EXPECT_EQ(cv::norm(icon, expected, cv::NORM_INF), 0);
}

}  // namespace
