#include "record/record_format.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "vexlor/record.h"

namespace vexlor {

namespace {

// Longest "%g" output of a double: sign, 6 digits, point, "e-308".
constexpr int kMaxGeneralChars = 16;

void AppendTokens(std::string& out, const std::vector<double>& values) {
  for (double value : values) {
    AppendGeneral(out, value);
    out.push_back(' ');
  }
}

void AppendTokens(std::string& out, const std::vector<std::uint32_t>& values) {
  char digits[16];
  for (std::uint32_t value : values) {
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
    out.push_back(' ');
  }
}

}  // namespace

void AppendGeneral(std::string& out, double value) {
  char digits[kMaxGeneralChars + 8];
  // to_chars with a precision formats exactly as printf("%.6g") in the "C"
  // locale does.
  const auto result = std::to_chars(digits, digits + sizeof digits, value,
                                    std::chars_format::general, 6);
  out.append(digits, result.ptr);
}

std::string RecordLine(const Descriptors& d, RecordForm form) {
  const bool tinyInt = form == RecordForm::kTinyInt;
  std::string out;
  out.reserve(tinyInt ? 4 * record_token_count : 10 * record_token_count);
  if (tinyInt) {
    AppendTokens(out, d.recDescInt());
    AppendTokens(out, d.groupDescInt());
    AppendTokens(out, d.recWeightsInt());
    AppendTokens(out, d.groupRangesInt());
  } else {
    AppendTokens(out, d.recDesc());
    AppendTokens(out, d.groupDesc());
    AppendTokens(out, d.recWeights());
    AppendTokens(out, d.groupRanges());
  }
  return out;
}

std::vector<double> RecordValues(const Descriptors& d, RecordForm form) {
  std::vector<double> values;
  values.reserve(record_token_count);
  if (form == RecordForm::kTinyInt) {
    for (const auto* v : {&d.recDescInt(), &d.groupDescInt(), &d.recWeightsInt(), &d.groupRangesInt()})
      values.insert(values.end(), v->begin(), v->end());
    return values;
  }
  std::string text;
  for (const auto* v : {&d.recDesc(), &d.groupDesc(), &d.recWeights(), &d.groupRanges()}) {
    for (double value : *v) {
      text.clear();
      AppendGeneral(text, value);
      double written = 0;
      std::from_chars(text.data(), text.data() + text.size(), written);
      values.push_back(written);
    }
  }
  return values;
}

}  // namespace vexlor
