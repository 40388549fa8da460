#ifndef VEXLOR_DECODE_PNG_UNFILTER_H_
#define VEXLOR_DECODE_PNG_UNFILTER_H_

#include <cstddef>
#include <cstdint>

namespace vexlor {

// Reverses the PNG filters (None, Sub, Up, Average, Paeth) of `rows` rows of
// 8-bit samples, in place. Each row is its filter type byte followed by
// `row_bytes` bytes, `pixel_bytes` (1 to 4) to a pixel; the rows follow each
// other with no gap, the first with a row of zeros above it. False, with the
// rows partly reversed, if a row's filter type is none of the five.
bool UnfilterRows(std::uint8_t* data, std::size_t rows, std::size_t row_bytes,
                  unsigned pixel_bytes);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_PNG_UNFILTER_H_
