// The JPEG decoder against the image library's, pixel for pixel: every
// colour space, subsampling, coding and restart layout libjpeg writes, files
// without Huffman tables, the test icons, and truncated and damaged files.

#include "decode/jpeg_decoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <random>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "tests/test_support.h"
#include "vexlor/icon.h"

namespace {

using namespace vexlor;
using Bytes = std::vector<std::uint8_t>;

struct JpegLayout {
  const char* name;
  J_COLOR_SPACE input;   // JCS_GRAYSCALE, JCS_RGB or JCS_CMYK samples
  J_COLOR_SPACE stored;  // the file's colour space
  int lumaH = 2, lumaV = 2;  // sampling of the first component
  bool progressive = false;
  bool arithmetic = false;
  bool optimized = false;
  int restartRows = 0;
  int quality = 85;
};

struct EncodeError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// Random samples, blurred a little so that the codec has structure to keep.
Bytes EncodeJpeg(const JpegLayout& layout, int width, int height, unsigned seed) {
  const int channels = layout.input == JCS_GRAYSCALE ? 1 : layout.input == JCS_CMYK ? 4 : 3;
  std::mt19937 random(seed);
  std::vector<JSAMPLE> samples(static_cast<size_t>(width) * height * channels);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<JSAMPLE>(i >= static_cast<size_t>(channels)
                                          ? (samples[i - channels] * 3 + (random() & 255)) / 4
                                          : random() & 255);
  jpeg_compress_struct cinfo{};
  EncodeError error{};
  cinfo.err = jpeg_std_error(&error.pub);
  error.pub.error_exit = [](j_common_ptr c) {
    std::longjmp(reinterpret_cast<EncodeError*>(c->err)->jump, 1);
  };
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_compress(&cinfo);
    ADD_FAILURE() << "libjpeg cannot write " << layout.name;
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = channels;
  cinfo.in_color_space = layout.input;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, layout.stored);
  jpeg_set_quality(&cinfo, layout.quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = layout.lumaH;
  cinfo.comp_info[0].v_samp_factor = layout.lumaV;
  if (layout.progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = layout.arithmetic;
  cinfo.optimize_coding = layout.optimized;
  cinfo.restart_in_rows = layout.restartRows;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = samples.data() + static_cast<size_t>(cinfo.next_scanline) * width * channels;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(out, out + size);
  std::free(out);
  return bytes;
}

class JpegDecoderTest : public ::testing::Test {
 protected:
  // libjpeg's warnings on the damaged files, which the library prints to
  // standard error (test failures go to standard output).
  static void SetUpTestSuite() {
    std::fflush(stderr);
    saved_stderr_ = ::dup(2);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    ::close(null);
  }
  static void TearDownTestSuite() {
    ::dup2(saved_stderr_, 2);
    ::close(saved_stderr_);
  }
  static inline int saved_stderr_ = -1;

  // Ours, from memory and as a stream, against cv::imread of a file with
  // these bytes. Returns whether the library decoded it.
  bool ExpectAsTheLibrary(const Bytes& bytes, const std::string& what) {
    const std::string path = dir_ / "icon.jpg";
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
    const cv::Mat library = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_IGNORE_ORIENTATION);
    IconPixels fromMemory, fromStream;
    const Status memory =
        DecodeJpegBytes(bytes.data(), bytes.size(), kDefaultMaxIconPixels, &fromMemory);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    const Status stream = DecodeJpeg(file, kDefaultMaxIconPixels, &fromStream);
    std::fclose(file);
    EXPECT_EQ(memory.code(), stream.code()) << what;
    EXPECT_EQ(memory.message(), stream.message()) << what;
    EXPECT_EQ(memory.ok(), !library.empty()) << what;
    if (memory.ok() && !library.empty()) {
      EXPECT_EQ(cv::norm(MatrixOf(fromMemory), library, cv::NORM_INF), 0) << what;
      EXPECT_EQ(cv::norm(MatrixOf(fromStream), library, cv::NORM_INF), 0) << what;
    }
    return !library.empty();
  }

  TempDir dir_;
};

constexpr std::uint8_t kSof2[] = {0xFF, 0xC2};  // a progressive frame

const JpegLayout kLayouts[] = {
    {"grey", JCS_GRAYSCALE, JCS_GRAYSCALE, 1, 1},
    {"4:2:0", JCS_RGB, JCS_YCbCr, 2, 2},
    {"4:2:2", JCS_RGB, JCS_YCbCr, 2, 1},
    {"4:4:0", JCS_RGB, JCS_YCbCr, 1, 2},
    {"4:4:4", JCS_RGB, JCS_YCbCr, 1, 1},
    {"4:1:1", JCS_RGB, JCS_YCbCr, 4, 1},
    {"RGB stored as RGB", JCS_RGB, JCS_RGB, 1, 1},
    {"colour stored as grey", JCS_RGB, JCS_GRAYSCALE, 1, 1},
    {"CMYK", JCS_CMYK, JCS_CMYK, 1, 1},
    {"YCCK", JCS_CMYK, JCS_YCCK, 2, 2},
    {"progressive", JCS_RGB, JCS_YCbCr, 2, 2, true},
    {"progressive grey", JCS_GRAYSCALE, JCS_GRAYSCALE, 1, 1, true},
    {"arithmetic", JCS_RGB, JCS_YCbCr, 2, 2, false, true},
    {"progressive arithmetic", JCS_RGB, JCS_YCbCr, 2, 1, true, true},
    {"optimized Huffman tables", JCS_RGB, JCS_YCbCr, 2, 2, false, false, true},
    {"a restart marker every row", JCS_RGB, JCS_YCbCr, 2, 2, false, false, false, 1},
    {"quality 100", JCS_RGB, JCS_YCbCr, 1, 1, false, false, false, 0, 100},
    {"quality 5", JCS_RGB, JCS_YCbCr, 2, 2, false, false, false, 0, 5},
};

TEST_F(JpegDecoderTest, DecodesEveryLayoutAsTheLibrary) {
  for (const JpegLayout& layout : kLayouts)
    for (const auto& [width, height] : {std::pair{1, 1}, {7, 5}, {16, 16}, {33, 17}, {62, 62}, {130, 3}}) {
      const Bytes jpeg = EncodeJpeg(layout, width, height, width * 31 + height);
      EXPECT_TRUE(ExpectAsTheLibrary(jpeg, layout.name + (" " + std::to_string(width)) + "x" +
                                               std::to_string(height)));
    }
}

TEST_F(JpegDecoderTest, DecodesTheTestIconsAsTheLibrary) {
  for (const char* name : {"audio-card.jpg", "audio-card-rotated-tag.jpg"}) {
    const std::string text = ReadFile(TestDataPath(name));
    EXPECT_TRUE(ExpectAsTheLibrary(Bytes(text.begin(), text.end()), name));
  }
}

TEST_F(JpegDecoderTest, DecodesMotionJpegFramesWithoutHuffmanTables) {
  // libjpeg's default tables are the standard ones a motion JPEG frame
  // leaves out: without its DHT segments the file decodes the same.
  Bytes jpeg = EncodeJpeg(kLayouts[1], 40, 24, 7);
  for (size_t at = 2; at + 4 < jpeg.size() && jpeg[at] == 0xFF;) {
    const size_t length = jpeg[at + 2] << 8 | jpeg[at + 3];
    if (jpeg[at + 1] == 0xC4)
      jpeg.erase(jpeg.begin() + at, jpeg.begin() + at + 2 + length);
    else if (jpeg[at + 1] == 0xDA)
      break;
    else
      at += 2 + length;
  }
  EXPECT_TRUE(ExpectAsTheLibrary(jpeg, "without DHT"));
}

TEST_F(JpegDecoderTest, DamagedFilesDecodeOrFailAsWithTheLibrary) {
  // A file cut anywhere decodes with what it has or fails, as the library's
  // does; so does one with damaged bytes.
  const Bytes baseline = EncodeJpeg(kLayouts[1], 48, 40, 3);
  const Bytes progressive = EncodeJpeg(kLayouts[10], 48, 40, 4);
  int decoded = 0, failed = 0;
  for (const Bytes* original : {&baseline, &progressive}) {
    for (size_t length = 3; length < original->size(); length += 1 + original->size() / 80)
      (ExpectAsTheLibrary(Bytes(original->begin(), original->begin() + length),
                          "cut at " + std::to_string(length))
           ? decoded
           : failed)++;
    std::mt19937 random(11);
    for (int i = 0; i < 150; ++i) {
      Bytes damaged = *original;
      damaged[3 + random() % (damaged.size() - 3)] ^= static_cast<std::uint8_t>(1 + random() % 255);
      (ExpectAsTheLibrary(damaged, "damaged " + std::to_string(i)) ? decoded : failed)++;
    }
  }
  // Both outcomes were met, so both were compared.
  EXPECT_GT(decoded, 0);
  EXPECT_GT(failed, 0);
}

TEST_F(JpegDecoderTest, RefusesImagesBeyondThePixelLimitAndOtherFormats) {
  const Bytes jpeg = EncodeJpeg(kLayouts[1], 40, 30, 5);
  IconPixels none;
  const Status tooLarge = DecodeJpegBytes(jpeg.data(), jpeg.size(), 1199, &none);
  EXPECT_EQ(tooLarge.code(), Status::Code::kIconRefused);
  EXPECT_EQ(tooLarge.message(), "more than 1199 pixels");
  EXPECT_TRUE(none.empty());
  EXPECT_TRUE(DecodeJpegBytes(jpeg.data(), jpeg.size(), 1200, &none).ok());
  const std::string png = ReadFile(TestDataPath("calculator.png"));
  const auto* pngBytes = reinterpret_cast<const std::uint8_t*>(png.data());
  IconPixels other;
  EXPECT_FALSE(HasJpegSignature(pngBytes, png.size()));
  EXPECT_EQ(DecodeJpegBytes(pngBytes, png.size(), kDefaultMaxIconPixels, &other).code(),
            Status::Code::kBadIcon);
  EXPECT_TRUE(other.empty());
}


// `count` empty DC refinement scans of every component before the end of a
// progressive file: a bogus progression libjpeg only warns of, and decodes.
Bytes WithEmptyScans(Bytes jpeg, int count) {
  const auto frame = std::search(jpeg.begin(), jpeg.end(), kSof2, kSof2 + 2) - jpeg.begin();
  const int components = jpeg[static_cast<std::size_t>(frame) + 9];
  Bytes scan = {0xFF, 0xDA, 0, static_cast<std::uint8_t>(6 + 2 * components),
                static_cast<std::uint8_t>(components)};
  for (int c = 0; c < components; ++c)
    scan.insert(scan.end(), {jpeg[static_cast<std::size_t>(frame) + 10 + 3 * c], 0});
  scan.insert(scan.end(), {0, 0, 0x10});
  Bytes end(jpeg.end() - 2, jpeg.end());
  jpeg.resize(jpeg.size() - 2);
  for (int i = 0; i < count; ++i) jpeg.insert(jpeg.end(), scan.begin(), scan.end());
  jpeg.insert(jpeg.end(), end.begin(), end.end());
  return jpeg;
}

int Scans(const Bytes& jpeg) {
  int scans = 0;
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) scans += jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA;
  return scans;
}

TEST_F(JpegDecoderTest, BoundsTheScansAndTheMemoryOfProgressiveFiles) {
  const Bytes progressive = EncodeJpeg(kLayouts[11], 64, 64, 6);
  // Up to the scan limit the file decodes as the library decodes it; one
  // scan more, and it is refused.
  const Bytes atLimit = WithEmptyScans(progressive, kMaxJpegScans - Scans(progressive));
  ASSERT_EQ(Scans(atLimit), kMaxJpegScans);
  EXPECT_TRUE(ExpectAsTheLibrary(atLimit, "at the scan limit"));
  const Bytes beyond = WithEmptyScans(atLimit, 1);
  IconPixels none;
  EXPECT_EQ(DecodeJpegBytes(beyond.data(), beyond.size(), kDefaultMaxIconPixels, &none).message(),
            "a JPEG of more than 100 scans");
  EXPECT_TRUE(none.empty());

  // A progressive 64 x 64 grey file needs its 12,288 image bytes and 8,192
  // bytes of coefficients, so 6,827 pixels (20,481 bytes) are enough and
  // 6,826 are not; a baseline file of that size needs just its pixels.
  IconPixels pixels;
  EXPECT_TRUE(DecodeJpegBytes(progressive.data(), progressive.size(), 6827, &pixels).ok());
  EXPECT_EQ(DecodeJpegBytes(progressive.data(), progressive.size(), 6826, &none).message(),
            "a JPEG of several scans whose decoding needs more than 20478 bytes");
  EXPECT_TRUE(none.empty());
  const Bytes baseline = EncodeJpeg(kLayouts[0], 64, 64, 6);
  EXPECT_TRUE(DecodeJpegBytes(baseline.data(), baseline.size(), 4096, &pixels).ok());
}

}  // namespace
