#ifndef VEXLOR_DESCRIPTORS_DESCRIPTOR_LENGTHS_H_
#define VEXLOR_DESCRIPTORS_DESCRIPTOR_LENGTHS_H_

#include <cstdint>

// Lengths and section boundaries of the descriptor vectors. The rectangle
// vectors hold 12 cells x 8 orientation bins, then 12 cells x 6 Lab sums; the
// group vectors hold 4 quadrant groups x 8 bins, then the middle group's 8.
inline constexpr std::uint32_t derivative_desc_length = 96;
inline constexpr std::uint32_t lab_desc_length = 72;
inline constexpr std::uint32_t rec_desc_length = 168;
inline constexpr std::uint32_t group_derivative_desc_length = 32;
inline constexpr std::uint32_t middle_desc_length = 8;
inline constexpr std::uint32_t group_desc_length = 40;

inline constexpr std::uint32_t DESC_NUM_BINS_DERIVATIVES = 8;
inline constexpr std::uint32_t DESC_NUM_CELLS = 12;
inline constexpr std::uint32_t DESC_NUM_LAB_SUMS = 6;

static_assert(rec_desc_length == derivative_desc_length + lab_desc_length);
static_assert(group_desc_length ==
              group_derivative_desc_length + middle_desc_length);
static_assert(derivative_desc_length ==
              DESC_NUM_CELLS * DESC_NUM_BINS_DERIVATIVES);
static_assert(lab_desc_length == DESC_NUM_CELLS * DESC_NUM_LAB_SUMS);

// Tokens in one results-file record: all four vectors of one form.
inline constexpr std::uint32_t record_token_count =
    2 * rec_desc_length + 2 * group_desc_length;
static_assert(record_token_count == 416);

#endif  // VEXLOR_DESCRIPTORS_DESCRIPTOR_LENGTHS_H_
