// The PNG decoder against the image library's, pixel for pixel, over every
// colour type, bit depth, interlacing and transparency that PNG has, and
// over damaged files.

#include "icon/png_decoder.h"

#include <png.h>
#include <sys/resource.h>

#include <cstdio>
#include <random>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "tests/test_support.h"
#include "vexlor/icon.h"

namespace {

using namespace vexlor;

struct Variant {
  int colorType;
  int bitDepth;
  int interlace;
  bool transparency;
};

// Writes a PNG of `variant` with random samples, a palette and a tRNS chunk
// where the variant has them.
void WritePng(const std::string& path, const Variant& v, int width, int height, unsigned seed) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  ASSERT_EQ(setjmp(png_jmpbuf(png)), 0);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, v.bitDepth, v.colorType, v.interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::mt19937 random(seed);
  if (v.colorType == PNG_COLOR_TYPE_PALETTE) {
    png_color palette[256];
    for (png_color& c : palette)
      c = {static_cast<png_byte>(random()), static_cast<png_byte>(random()),
           static_cast<png_byte>(random())};
    png_set_PLTE(png, info, palette, 1 << v.bitDepth);
    if (v.transparency) {
      png_byte alpha[16];
      for (png_byte& a : alpha) a = static_cast<png_byte>(random());
      png_set_tRNS(png, info, alpha, 1 << std::min(v.bitDepth, 4), nullptr);
    }
  } else if (v.transparency) {
    png_color_16 key{};
    key.gray = key.red = key.green = key.blue = 1;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  const int channels = png_get_channels(png, info);
  const size_t rowBytes = (static_cast<size_t>(width) * channels * v.bitDepth + 7) / 8;
  std::vector<png_byte> row(rowBytes);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass) {
    std::mt19937 rows(seed + 1);
    for (int y = 0; y < height; ++y) {
      for (png_byte& b : row) b = static_cast<png_byte>(rows());
      if (v.colorType == PNG_COLOR_TYPE_PALETTE && v.bitDepth == 8) row[0] &= 0x7f;
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

// Both decoders on the file at `path`; the test fails on any difference.
void ExpectSameAsTheLibrary(const std::string& path, const std::string& what) {
  IconPixels pixels;
  const PngDecoding result = DecodePngFile(path, kDefaultMaxIconPixels, &pixels);
  const cv::Mat ours = MatrixOf(pixels);
  cv::Mat library;
  try {
    library = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
  } catch (const cv::Exception&) {
  }
  ASSERT_EQ(result == PngDecoding::kDecoded, !library.empty()) << what;
  if (library.empty()) return;
  ASSERT_EQ(ours.size(), library.size()) << what;
  ASSERT_EQ(ours.type(), CV_8UC3) << what;
  EXPECT_EQ(cv::countNonZero(ours.reshape(1) != library.reshape(1)), 0) << what;
}

std::vector<Variant> AllVariants() {
  const std::vector<std::pair<int, std::vector<int>>> depths = {
      {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},  {PNG_COLOR_TYPE_RGB, {8, 16}},
      {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},   {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
      {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}}};
  std::vector<Variant> variants;
  for (const auto& [type, bitDepths] : depths)
    for (int depth : bitDepths)
      for (int interlace : {PNG_INTERLACE_NONE, PNG_INTERLACE_ADAM7})
        for (bool transparency : {false, true})
          if (!transparency || (type & PNG_COLOR_MASK_ALPHA) == 0)
            variants.push_back({type, depth, interlace, transparency});
  return variants;
}

TEST(PngDecoder, DecodesEveryVariantAsTheImageLibraryDoes) {
  TempDir dir;
  unsigned seed = 1;
  for (const Variant& v : AllVariants()) {
    for (const cv::Size size : {cv::Size(1, 1), cv::Size(7, 3), cv::Size(62, 61), cv::Size(97, 40)}) {
      const std::string what = "type " + std::to_string(v.colorType) + " depth " +
                               std::to_string(v.bitDepth) + " interlace " +
                               std::to_string(v.interlace) + " tRNS " +
                               std::to_string(v.transparency) + " " +
                               std::to_string(size.width) + "x" + std::to_string(size.height);
      const std::string path = dir / "v.png";
      WritePng(path, v, size.width, size.height, ++seed);
      ExpectSameAsTheLibrary(path, what);
    }
  }
}

TEST(PngDecoder, FailsWhereTheImageLibraryFails) {
  TempDir dir;
  const std::string path = dir / "v.png";
  unsigned seed = 7;
  for (const Variant& v : AllVariants()) {
    WritePng(path, v, 40, 30, ++seed);
    const std::string whole = ReadFile(path);
    for (size_t keep : {size_t{8}, size_t{30}, whole.size() / 2, whole.size() - 13,
                        whole.size() - 1}) {
      WriteFile(path, whole.substr(0, keep));
      ExpectSameAsTheLibrary(path, "cut to " + std::to_string(keep));
    }
    for (size_t at : {size_t{12}, size_t{20}, size_t{37}, whole.size() / 2, whole.size() - 6}) {
      std::string damaged = whole;
      damaged[at] ^= 0x21;
      WriteFile(path, damaged);
      ExpectSameAsTheLibrary(path, "byte " + std::to_string(at) + " flipped");
    }
  }
  for (const char* icon : {"calculator.png", "calculator-16bit.png", "calculator-grey.png",
                                  "calculator-palette.png", "audio-card.png", "one-pixel.png",
                                  "wide-1x300.png", "package-256.png"})
    ExpectSameAsTheLibrary(TestDataPath(icon), icon);
  IconPixels none;
  EXPECT_EQ(DecodePngFile(TestDataPath("audio-card.jpg"), kDefaultMaxIconPixels, &none),
            PngDecoding::kNotPng);
  EXPECT_EQ(DecodePngFile(TestDataPath("package-256.png"), 1000, &none), PngDecoding::kTooLarge);
}

}  // namespace

TEST(PngDecoder, AChunkLongerThanTheFileFailsWithoutItsMemory) {
  TempDir dir;
  const std::string path = dir / "v.png";
  WritePng(path, {PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_NONE, false}, 40, 30, 3);
  const std::string whole = ReadFile(path);
  const std::string iend = whole.substr(whole.size() - 12);
  // A tEXt chunk before IEND declaring `length` bytes, of which 100 follow.
  const auto withText = [&](std::uint32_t length) {
    const char header[8] = {char(length >> 24), char(length >> 16), char(length >> 8),
                            char(length), 't', 'E', 'X', 't'};
    return whole.substr(0, whole.size() - 12) + std::string(header, 8) +
           "Comment" + std::string(93, 'x') + iend;
  };
  WriteFile(path, withText(100));
  ExpectSameAsTheLibrary(path, "a whole text chunk (bad CRC)");
  WriteFile(path, withText(5000));
  ExpectSameAsTheLibrary(path, "a text chunk beyond the end");

  WriteFile(path, withText(0x7ff00000));
  rusage before{};
  ::getrusage(RUSAGE_SELF, &before);
  IconPixels none;
  EXPECT_EQ(DecodePngFile(path, kDefaultMaxIconPixels, &none), PngDecoding::kFailed);
  rusage after{};
  ::getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024) << "KB of peak memory added";
}
