#ifndef VEXLOR_RECORD_FORM_CONSTANTS_H_
#define VEXLOR_RECORD_FORM_CONSTANTS_H_

#include <cstdint>

#include "vexlor/descriptors.h"

namespace vexlor {

// The weights and ranges that every record of a form carries: the record's
// fixed weight parameters, and their TinyInt forms as the record computes
// them (an orientation weight x 2 / 8; a range x 5, at most 255). Readers
// accept only records that carry them, so the search may use them as
// constants.
template <typename T>
struct FormConstants {
  T orientation_weight;
  T lab_weight;
  T range;
};

inline constexpr FormConstants<double> kDoubleConstants{kWeightParams[0], kWeightParams[3],
                                                        kWeightParams[6]};
inline constexpr FormConstants<std::uint32_t> kTinyIntConstants{
    kWeightParams[0] * 2 / 8, kWeightParams[3],
    kWeightParams[6] * 5 > 255 ? 255 : kWeightParams[6] * 5};
static_assert(kTinyIntConstants.orientation_weight == 4 && kTinyIntConstants.range == 40);

// Value i of a record's constant part in a form: the weights of the
// rec_desc_length rectangle values, then the ranges of the group values.
template <typename T>
constexpr T FormTailValue(const FormConstants<T>& c, std::uint32_t i) {
  return i >= rec_desc_length        ? c.range
         : i < derivative_desc_length ? c.orientation_weight
                                      : c.lab_weight;
}

}  // namespace vexlor

#endif  // VEXLOR_RECORD_FORM_CONSTANTS_H_
