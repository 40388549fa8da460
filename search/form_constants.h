#ifndef VEXLOR_SEARCH_FORM_CONSTANTS_H_
#define VEXLOR_SEARCH_FORM_CONSTANTS_H_

#include <cstdint>

namespace vexlor {

// The weights and ranges that every record of a form carries (the record's
// fixed weight parameters 16, 1 and 8 and their TinyInt forms). The search
// accepts only records that carry them, so it may use them as constants.
template <typename T>
struct FormConstants {
  T orientation_weight;
  T lab_weight;
  T range;
};

inline constexpr FormConstants<std::uint32_t> kTinyIntConstants{4, 1, 40};
inline constexpr FormConstants<double> kDoubleConstants{16, 1, 8};

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_FORM_CONSTANTS_H_
