// Fuzz target: arbitrary bytes through the whole measuring path of one icon.
// The first bytes choose the distortion, the rest is the image file:
//   byte 0: blur size 0..7; bytes 1..3: blue, green, red factors;
//   byte 4: TinyInt (bit 0); bytes 5..: the encoded image.
// Every decodable image must give a well-formed record in both forms.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <opencv2/core.hpp>

#include "decode/icon_loading.h"
#include "record/record_format.h"
#include "tests/fuzz/fuzz_factor.h"
#include "vexlor/descriptors.h"
#include "vexlor/icon.h"
#include "vexlor/record.h"

namespace {

using namespace vexlor;

constexpr size_t kOptionBytes = 5;

void Check(bool condition) {
  if (!condition) std::abort();
}

size_t CountTokens(const std::string& record) {
  size_t tokens = 0;
  for (size_t i = 0; i < record.size(); ++i) {
    Check(record[i] != '\n');
    if (record[i] == ' ') {
      Check(i > 0 && record[i - 1] != ' ');
      ++tokens;
    }
  }
  Check(!record.empty() && record.back() == ' ');
  return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QuietImageLibrary();
  // Keep single inputs from asking the decoders for gigabytes.
  setenv("OPENCV_IO_MAX_IMAGE_PIXELS", "4000000", 1);
  cv::setNumThreads(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size < kOptionBytes) return 0;
  const int blur = data[0] % 8;
  const double c[3] = {FuzzFactor(data[1]), FuzzFactor(data[2]), FuzzFactor(data[3])};
  const RecordForm form = (data[4] & 1) != 0 ? RecordForm::kTinyInt : RecordForm::kDouble;
  const RecordForm other = form == RecordForm::kTinyInt ? RecordForm::kDouble : RecordForm::kTinyInt;

  const cv::Mat encoded(1, static_cast<int>(size - kOptionBytes), CV_8U,
                        const_cast<std::uint8_t*>(data + kOptionBytes));
  cv::Mat icon;
  if (!DecodeIcon(encoded, &icon).ok()) return 0;
  Check(icon.type() == CV_8UC3);
  const cv::Size size0 = icon.size();
  // Over a background (the factor bytes as its colour) the same file decodes
  // to the same size.
  if ((data[4] & 2) != 0) {
    IconPixels over;
    Check(DecodeIconPixels(data + kOptionBytes, size - kOptionBytes, &over,
                           {.background = {true, data[1], data[2], data[3]}})
              .ok());
    Check(over.rows() == size0.height && over.cols() == size0.width);
  }

  IconProcess(icon, Distortion{.blur = blur, .red = c[2], .green = c[1], .blue = c[0]});
  Check(icon.size() == size0 && icon.type() == CV_8UC3);

  const Descriptors d(icon);
  Check(d.recDesc().size() == rec_desc_length && d.groupDesc().size() == group_desc_length);
  for (std::uint32_t v : d.recDescInt()) Check(v <= 255);
  for (std::uint32_t v : d.groupDescInt()) Check(v <= 255);
  for (double v : d.recDesc()) Check(v >= 0 && v <= 255);
  Check(CountTokens(RecordLine(d, form)) == record_token_count);
  Check(CountTokens(RecordLine(d, other)) == record_token_count);
  return 0;
}
