// The PNG decoder against the image library's, pixel for pixel, over every
// colour type, bit depth, interlacing and transparency that PNG has, and
// over damaged files.

#include "decode/png_decoder.h"

#include <png.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <functional>
#include <random>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "decode/png_image_data.h"
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
// where the variant has them; `configure` may set libpng's filters and
// compression.
void WritePng(const std::string& path, const Variant& v, int width, int height, unsigned seed,
              const std::function<void(png_structp)>& configure = {}) {
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
  if (configure) configure(png);
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
  const Status result = DecodePngFile(path, kDefaultMaxIconPixels, &pixels);
  const cv::Mat ours = MatrixOf(pixels);
  cv::Mat library;
  try {
    library = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
  } catch (const cv::Exception&) {
  }
  ASSERT_EQ(result.ok(), !library.empty()) << what;
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
  EXPECT_EQ(DecodePngFile(TestDataPath("audio-card.jpg"), kDefaultMaxIconPixels, &none).message(),
            "no image that the image library reads");
  const Status tooLarge = DecodePngFile(TestDataPath("package-256.png"), 1000, &none);
  EXPECT_EQ(tooLarge.code(), Status::Code::kIconRefused);
  EXPECT_EQ(tooLarge.message(), "more than 1000 pixels");
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
  EXPECT_EQ(DecodePngFile(path, kDefaultMaxIconPixels, &none).code(), Status::Code::kBadIcon);
  rusage after{};
  ::getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024) << "KB of peak memory added";
}

namespace {

// A PNG's chunks, to be changed and put together again with good CRCs.
struct Chunk {
  std::string type, data;
};
std::vector<Chunk> ChunksOf(const std::string& png) {
  std::vector<Chunk> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
    const std::size_t length = std::size_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
    chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length)});
    at += 12 + length;
  }
  return chunks;
}
std::string PngOf(const std::vector<Chunk>& chunks) {
  std::string png = "\x89PNG\r\n\x1a\n";
  const auto put32 = [&](std::uint32_t v) {
    for (int i = 3; i >= 0; --i) png += static_cast<char>(v >> (8 * i));
  };
  for (const Chunk& c : chunks) {
    put32(static_cast<std::uint32_t>(c.data.size()));
    const std::string body = c.type + c.data;
    png += body;
    put32(static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
  }
  return png;
}

// The image data decoded directly, with the header read from the chunks by
// hand: whether that path takes the file.
bool DecodedDirectly(const std::string& png, bool keepAlpha, IconPixels* icon) {
  PngHeader header;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(png.data());
  header.width = static_cast<std::uint32_t>(bytes[16]) << 24 | bytes[17] << 16 | bytes[18] << 8 | bytes[19];
  header.height = static_cast<std::uint32_t>(bytes[20]) << 24 | bytes[21] << 16 | bytes[22] << 8 | bytes[23];
  header.bit_depth = bytes[24];
  header.color_type = bytes[25];
  header.interlaced = bytes[28] != 0;
  std::size_t idat = 8;
  for (const Chunk& c : ChunksOf(png)) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(png.data() + idat + 8);
    if (c.type == "IDAT") break;
    if (c.type == "PLTE") header.palette = data, header.palette_size = static_cast<int>(c.data.size() / 3);
    if (c.type == "tRNS") {
      header.has_transparency = true;
      header.palette_alpha = data;
      header.palette_alpha_size = static_cast<int>(c.data.size());
    }
    idat += 12 + c.data.size();
  }
  return DecodePngImageData(bytes, png.size(), idat, header, keepAlpha, icon);
}

// In memory (image data decoded directly where it can be) and as a stream
// (libpng alone): the same outcome and pixels, with and without a background.
void ExpectBothWaysAlike(const std::string& png, const std::string& what) {
  for (const Background background : {Background{}, Background{true, 255, 255, 255}}) {
    IconPixels inMemory, streamed;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(png.data());
    const Status memoryResult =
        DecodePngBytes(bytes, png.size(), kDefaultMaxIconPixels, &inMemory, background);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(
        ::fmemopen(const_cast<char*>(png.data()), png.size(), "rb"), std::fclose);
    const Status streamResult =
        DecodePng(stream.get(), kDefaultMaxIconPixels, &streamed, background);
    ASSERT_EQ(memoryResult.code(), streamResult.code()) << what;
    ASSERT_EQ(memoryResult.message(), streamResult.message()) << what;
    ASSERT_EQ(inMemory.rows(), streamed.rows()) << what;
    ASSERT_EQ(inMemory.cols(), streamed.cols()) << what;
    if (!inMemory.empty()) {
      EXPECT_EQ(std::memcmp(inMemory.data(), streamed.data(), inMemory.size()), 0) << what;
    }
  }
}

TEST(PngDecoder, DecodesImageDataItselfOnlyWhereLibpngGivesTheSamePixels) {
  TempDir dir;
  const std::string path = dir / "v.png";
  const std::vector<Variant> eightBit = {{PNG_COLOR_TYPE_GRAY, 8, 0, false},
                                         {PNG_COLOR_TYPE_RGB, 8, 0, false},
                                         {PNG_COLOR_TYPE_PALETTE, 8, 0, false},
                                         {PNG_COLOR_TYPE_PALETTE, 8, 0, true},
                                         {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 0, false},
                                         {PNG_COLOR_TYPE_RGB_ALPHA, 8, 0, false}};
  unsigned seed = 20;
  for (const Variant& v : eightBit)
    for (int filter : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                       PNG_FILTER_PAETH, PNG_ALL_FILTERS})
      for (int windowBits : {8, 15}) {
        // Small buffers make many IDAT chunks.
        WritePng(path, v, 37, 23, ++seed, [&](png_structp png) {
          png_set_filter(png, 0, filter);
          png_set_compression_window_bits(png, windowBits);
          png_set_compression_buffer_size(png, 100);
        });
        const std::string png = ReadFile(path);
        const std::string what = "type " + std::to_string(v.colorType) + " filter " +
                                 std::to_string(filter) + " window " + std::to_string(windowBits);
        IconPixels direct;
        EXPECT_TRUE(DecodedDirectly(png, false, &direct)) << what;
        ExpectBothWaysAlike(png, what);
        ExpectSameAsTheLibrary(path, what);
      }

  // Files the direct path must leave to libpng, whatever libpng then makes
  // of them (and one it takes: an empty IDAT chunk is sound).
  WritePng(path, {PNG_COLOR_TYPE_RGB_ALPHA, 8, 0, false}, 40, 30, 3,
           [](png_structp png) { png_set_compression_buffer_size(png, 300); });
  const std::vector<Chunk> chunks = ChunksOf(ReadFile(path));
  const std::size_t lastIdat = chunks.size() - 2;
  ASSERT_EQ(chunks[lastIdat].type, "IDAT");
  const auto changed = [&](const std::function<void(std::vector<Chunk>&)>& change) {
    std::vector<Chunk> copy = chunks;
    change(copy);
    return PngOf(copy);
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"an empty IDAT chunk between", changed([&](auto& c) { c.insert(c.begin() + 3, Chunk{"IDAT", ""}); })},
      {"compressed data damaged", changed([](auto& c) { c[2].data[40] ^= 0x10; })},
      {"Adler-32 wrong", changed([&](auto& c) { c[lastIdat].data.back() ^= 1; })},
      {"bytes after the stream", changed([&](auto& c) { c[lastIdat].data += "xy"; })},
      {"a chunk after the image data",
       changed([&](auto& c) { c.insert(c.end() - 1, Chunk{"tEXt", std::string("Comment\0x", 9)}); })},
      {"IEND not empty", changed([](auto& c) { c.back().data = "x"; })},
      {"a text chunk between IDAT chunks",
       changed([&](auto& c) { c.insert(c.begin() + 3, Chunk{"tEXt", std::string("a\0b", 3)}); })},
      {"a bad CRC", [&] {
         std::string png = PngOf(chunks);
         png[png.size() - 13] ^= 1;  // the last IDAT's CRC
         return png;
       }()},
  };
  for (const auto& [what, png] : cases) {
    IconPixels direct;
    EXPECT_EQ(DecodedDirectly(png, false, &direct), what == cases[0].first) << what;
    ExpectBothWaysAlike(png, what);
  }

  // Palette indices beyond a four-colour palette.
  WritePng(path, {PNG_COLOR_TYPE_PALETTE, 8, 0, false}, 20, 10, 4);
  std::vector<Chunk> palette = ChunksOf(ReadFile(path));
  for (Chunk& c : palette)
    if (c.type == "PLTE") c.data.resize(12);
  IconPixels direct;
  EXPECT_FALSE(DecodedDirectly(PngOf(palette), false, &direct));
  ExpectBothWaysAlike(PngOf(palette), "indices beyond the palette");
}

}  // namespace
