// --background: every pixel over the colour by its alpha, before anything
// else, with one integer rule for every decoder; icons without alpha as they
// were.

#include <png.h>

#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "decode/icon_loading.h"
#include "decode/png_decoder.h"
#include "pixels/composite.h"
#include "tests/test_support.h"

namespace {

using namespace vexlor;

struct PngPlan {
  int colorType;
  int bitDepth;
  std::vector<png_byte> row;  // the one row, as PNG stores it
  std::vector<png_color> palette = {};
  std::vector<png_byte> paletteAlpha = {};
  const png_color_16* transparentColour = nullptr;
};

// A PNG of one row, written with libpng as planned.
void WritePng(const std::string& path, const PngPlan& plan, int width) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  ASSERT_EQ(setjmp(png_jmpbuf(png)), 0);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, 1, plan.bitDepth, plan.colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!plan.palette.empty())
    png_set_PLTE(png, info, plan.palette.data(), static_cast<int>(plan.palette.size()));
  if (!plan.paletteAlpha.empty() || plan.transparentColour != nullptr)
    png_set_tRNS(png, info, plan.paletteAlpha.empty() ? nullptr : plan.paletteAlpha.data(),
                 static_cast<int>(plan.paletteAlpha.size()), plan.transparentColour);
  png_write_info(png, info);
  png_write_row(png, plan.row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

// The decoded row as (blue, green, red) triples.
std::vector<int> Decoded(const std::string& path, const Background& background) {
  IconPixels pixels;
  EXPECT_TRUE(DecodePngFile(path, kDefaultMaxIconPixels, &pixels, background).ok());
  return std::vector<int>(pixels.data(), pixels.data() + pixels.size());
}

class BackgroundTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }
  TempDir dir_;
};

const Background kWhite{true, 255, 255, 255};

TEST_F(BackgroundTest, EveryPngKindIsCompositedByTheOneRule) {
  // Red 200, green 100, blue 0 at alpha 0, 255, 1, 254 and 128, over white:
  // (c a + 255 (255 - a) + 127) / 255, worked out by hand.
  const std::vector<int> overWhite = {255, 255, 255,  0, 100, 200,  254, 254, 255,
                                      1, 101, 200,    127, 177, 227};
  std::vector<png_byte> rgba;
  for (png_byte alpha : {0, 255, 1, 254, 128}) rgba.insert(rgba.end(), {200, 100, 0, alpha});
  WritePng(Path("rgba.png"), {PNG_COLOR_TYPE_RGBA, 8, rgba}, 5);
  EXPECT_EQ(Decoded(Path("rgba.png"), kWhite), overWhite);
  // Without a background alpha is dropped, whatever it was.
  EXPECT_EQ(Decoded(Path("rgba.png"), {}), std::vector<int>({0, 100, 200, 0, 100, 200, 0, 100,
                                                             200, 0, 100, 200, 0, 100, 200}));
  // Over #204060 (blue 0x60): blue 0 at alpha 128 gives (96 x 127 + 127) / 255 = 48.
  EXPECT_EQ(Decoded(Path("rgba.png"), {true, 0x60, 0x40, 0x20})[12], 48);

  // 16 bits: colour and alpha by their high bytes (0xC8 = 200, 0x80 = 128;
  // 0x00FF is transparent).
  WritePng(Path("rgba16.png"),
           {PNG_COLOR_TYPE_RGBA, 16, {0xC8, 0xFF, 0x64, 0x01, 0x00, 0xFF, 0x80, 0xFF,
                                      0xC8, 0xFF, 0x64, 0x01, 0x00, 0xFF, 0x00, 0xFF}},
           2);
  EXPECT_EQ(Decoded(Path("rgba16.png"), kWhite), std::vector<int>({127, 177, 227, 255, 255, 255}));

  // Grey and alpha: grey 100 at alpha 128.
  WritePng(Path("ga.png"), {PNG_COLOR_TYPE_GRAY_ALPHA, 8, {100, 128, 100, 255}}, 2);
  EXPECT_EQ(Decoded(Path("ga.png"), kWhite), std::vector<int>({177, 177, 177, 100, 100, 100}));

  // A palette whose first entry is half transparent, its second opaque.
  WritePng(Path("palette.png"),
           {PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, {{200, 100, 0}, {10, 20, 30}}, {128}}, 2);
  EXPECT_EQ(Decoded(Path("palette.png"), kWhite), std::vector<int>({127, 177, 227, 30, 20, 10}));

  // A transparent colour (tRNS of an RGB image): that colour only.
  png_color_16 key{};
  key.red = 10;
  key.green = 20;
  key.blue = 30;
  PngPlan keyed{PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 10, 20, 31}};
  keyed.transparentColour = &key;
  WritePng(Path("keyed.png"), keyed, 2);
  EXPECT_EQ(Decoded(Path("keyed.png"), kWhite), std::vector<int>({255, 255, 255, 31, 20, 10}));
}

TEST(Composited, TheDecodersShortcutEqualsTheRuleForEveryColourAlphaAndBackground) {
  int differences = 0;
  for (int c = 0; c < 256; ++c)
    for (int a = 0; a < 256; ++a)
      for (int b = 0; b < 256; ++b)
        differences += CompositedFast(c, a, b) !=
                       Composited(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(a),
                                  static_cast<std::uint8_t>(b));
  EXPECT_EQ(differences, 0);
}

TEST_F(BackgroundTest, EqualsImageMagicksFlatteningWhereAlphaIsAllOrNothing) {
  cv::Mat icon = cv::imread(TestDataPath("calculator.png"), cv::IMREAD_UNCHANGED);
  ASSERT_EQ(icon.channels(), 4);
  for (int y = 0; y < icon.rows; ++y)
    for (int x = 0; x < icon.cols; ++x) {
      cv::Vec4b& p = icon.at<cv::Vec4b>(y, x);
      p[3] = p[3] > 127 ? 255 : 0;
      if (p[3] == 0) p = cv::Vec4b(static_cast<uchar>(x * 5), 0, static_cast<uchar>(y * 5), 0);
    }
  ASSERT_TRUE(cv::imwrite(Path("icon.png"), icon));
  ASSERT_TRUE(cv::imwrite(Path("icon.tiff"), icon));  // through the image library
  const std::string flatten = "convert '" + Path("icon.png") +
                              "' -background white -flatten -define png:color-type=2 '" +
                              Path("flat.png") + "'";
  ASSERT_EQ(std::system(flatten.c_str()), 0);
  EXPECT_EQ(Decoded(Path("icon.png"), kWhite), Decoded(Path("flat.png"), {}));

  WriteFile(Path("list"), Path("icon.png") + "\n" + Path("icon.tiff") + "\n");
  WriteFile(Path("flat-list"), Path("flat.png") + "\n" + Path("flat.png") + "\n");
  const ProgramResult composited = RunBatchBinary({"-q", "--background", "white", Path("list")});
  const ProgramResult flat = RunBatchBinary({"-q", Path("flat-list")});
  ASSERT_EQ(composited.exit_status, 0) << composited.err;
  EXPECT_TRUE(composited.out == flat.out);
  EXPECT_TRUE(RunBatchBinary({"-q", Path("list")}).out != flat.out) << "the colour under alpha 0 counts";
}

TEST_F(BackgroundTest, SixteenBitAlphaOfTheLibrarysFormatsIsScaledAsTheirColour) {
  // Every 16-bit value once, as blue and as alpha of the same pixel: over
  // black, each pixel's blue must be its 8-bit blue composited by itself.
  cv::Mat icon(256, 256, CV_16UC4);
  for (int v = 0; v < 65536; ++v) {
    const auto s = static_cast<std::uint16_t>(v), t = static_cast<std::uint16_t>(65535 - v);
    icon.at<cv::Vec4w>(v / 256, v % 256) = {s, t, s, s};
  }
  ASSERT_TRUE(cv::imwrite(Path("deep.tiff"), icon));
  IconPixels plain, over;
  ASSERT_TRUE(LoadIconPixels(Path("deep.tiff"), &plain).ok());
  ASSERT_TRUE(LoadIconPixels(Path("deep.tiff"), &over, {.background = {true, 0, 0, 0}}).ok());
  ASSERT_EQ(over.size(), plain.size());
  int wrong = 0;
  for (std::size_t i = 0; i < plain.size(); i += 3)
    wrong += over.data()[i] != Composited(plain.data()[i], plain.data()[i], 0);
  EXPECT_EQ(wrong, 0);
}

TEST_F(BackgroundTest, IconsWithoutAlphaAreLeftAsTheyAre) {
  WriteFile(Path("list"), TestDataPath("audio-card.jpg") + "\n" + TestDataPath("audio-card.bmp") +
                              "\n" + TestDataPath("calculator-grey.png") + "\n" +
                              TestDataPath("audio-card-62x61.png") + "\n" +
                              TestDataPath("audio-card.webp") + "\n");
  const ProgramResult plain = RunBatchBinary({"-q", "--double", Path("list")});
  for (const char* colour : {"white", "#ff00AA"}) {
    const ProgramResult over =
        RunBatchBinary({"-q", "--double", "--background", colour, Path("list")});
    EXPECT_EQ(over.exit_status, 0) << over.err;
    EXPECT_TRUE(over.out == plain.out) << colour;
  }
}

TEST_F(BackgroundTest, AColourThatIsNoColourIsRefusedBeforeAnyWork) {
  WriteFile(Path("list"), TestDataPath("calculator.png") + "\n");
  for (const char* colour : {"blue-ish", "#12345", "#gg0000", "", "#1234567"}) {
    const ProgramResult b = RunBatchBinary({"-o", Path("out"), "--background", colour, Path("list")});
    EXPECT_EQ(b.exit_status, 1) << colour;
    EXPECT_NE(b.err.find("is no colour (white, black, #rrggbb or #rgb)"), std::string::npos) << b.err;
    EXPECT_FALSE(std::filesystem::exists(Path("out")));
    const ProgramResult c = RunProgram(VEXLOR_CARD_BINARY, {TestDataPath("calculator.png"), "-o",
                                                            Path("card.png"), "--background", colour});
    EXPECT_EQ(c.exit_status, 1) << colour;
    EXPECT_FALSE(std::filesystem::exists(Path("card.png")));
    EXPECT_EQ(RunProgram(VEXLOR_NEAREST_BINARY, {"--background", colour, Path("list"), Path("list"),
                                                 TestDataPath("calculator.png")})
                  .exit_status, 1);
  }
  // The short form reads as CSS reads it.
  EXPECT_EQ(RunBatchBinary({"-q", "--background", "#FfF", Path("list")}).out,
            RunBatchBinary({"-q", "--background", "white", Path("list")}).out);
}

}  // namespace
