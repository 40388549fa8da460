#ifndef VEXLOR_SEARCH_TABLE_PACKING_H_
#define VEXLOR_SEARCH_TABLE_PACKING_H_

#include <cstddef>
#include <algorithm>
#include <cstdint>

#include "vexlor/nearest.h"

namespace vexlor {

// How a DescriptorTable stores TinyInt rows: the first kTinyHeadValues values
// of every row apart from the rest, so that a scan that stops after them
// (its bound already reached) reads only those.
inline constexpr std::size_t kTinyHeadValues = 64;
inline constexpr std::size_t kTinyRestValues = kSearchedValueCount - kTinyHeadValues;

// The storage of good rows of the table's form, for the scans.
struct DescriptorTablePacking {
  static const std::uint8_t* TinyHead(const DescriptorTable& table, std::size_t row) {
    return &table.tiny_head_[row * kTinyHeadValues];
  }
  static const std::uint8_t* TinyRest(const DescriptorTable& table, std::size_t row) {
    return &table.tiny_rest_[row * kTinyRestValues];
  }
  static const double* Exact(const DescriptorTable& table, std::size_t row) {
    return &table.exact_[row * kSearchedValueCount];
  }
  // Adds a record already checked, by its kSearchedValueCount values, to a
  // table of its form that is not prepared for a metric.
  static void AddChecked(DescriptorTable& table, RecordForm form, const std::uint8_t* tiny,
                         const double* exact) {
    table.form_ = form;
    if (form == RecordForm::kTinyInt) {
      std::uint8_t values[kSearchedValueCount];
      std::copy(tiny, tiny + kSearchedValueCount, values);
      table.AddTiny(values);
    } else {
      table.exact_.insert(table.exact_.end(), exact, exact + kSearchedValueCount);
    }
    table.bad_.push_back(0);
    ++table.usable_;
  }
};

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_TABLE_PACKING_H_
