// Whether a line of 416 numbers is a vexlor record, and of which form: the
// one check every reader applies (FormOfRecord and CheckRecord,
// vexlor/nearest.h).
#include <cmath>
#include <optional>
#include <string>

#include "record/form_constants.h"
#include "vexlor/descriptors.h"
#include "vexlor/nearest.h"

namespace vexlor {

namespace {

constexpr double kMaxDescriptorValue = 1e6;

template <typename T>
bool Carries(const double* values, const FormConstants<T>& c) {
  const double* tail = values + rec_desc_length + group_desc_length;
  for (std::uint32_t i = 0; i < rec_desc_length + group_desc_length; ++i)
    if (tail[i] != FormTailValue(c, i)) return false;
  return true;
}

const char* FormName(RecordForm form) {
  return form == RecordForm::kTinyInt ? "TinyInt" : "double";
}

}  // namespace

Status FormOfRecord(const double* values, RecordForm* form) {
  if (Carries(values, kTinyIntConstants)) {
    *form = RecordForm::kTinyInt;
  } else if (Carries(values, kDoubleConstants)) {
    *form = RecordForm::kDouble;
  } else {
    return Status::InvalidArgument(
        "its weights and ranges are those of neither form: no vexlor record");
  }
  return {};
}

Status CheckRecord(const double* values, std::optional<RecordForm>* form) {
  RecordForm own;
  Status status = FormOfRecord(values, &own);
  if (!status.ok()) return status;
  if (*form && own != **form)
    return Status::InvalidArgument(std::string("a record of ") + FormName(own) +
                                   " form where records of " + FormName(**form) +
                                   " form are expected");
  for (size_t i = 0; i < kSearchedValueCount; ++i) {
    if (own == RecordForm::kTinyInt) {
      if (values[i] < 0 || values[i] > 255 || values[i] != std::floor(values[i]))
        return Status::InvalidArgument("value " + std::to_string(i + 1) +
                                       " is no TinyInt (0 to 255)");
    } else if (!(values[i] >= 0 && values[i] <= kMaxDescriptorValue)) {
      // A descriptor value is finite and not negative, and far below this (a
      // cell's mean gradient is at most a few hundred): larger values could
      // only overflow the distances to ties at infinity.
      return Status::InvalidArgument("value " + std::to_string(i + 1) +
                                     " is no descriptor value (0 to 1e6)");
    }
  }
  *form = own;
  return {};
}

}  // namespace vexlor
