// A colour factor from one fuzz input byte, shared by the fuzz targets.
#ifndef VEXLOR_TESTS_FUZZ_FUZZ_FACTOR_H_
#define VEXLOR_TESTS_FUZZ_FUZZ_FACTOR_H_

#include <cstdint>
#include <limits>

// A spread of ordinary values and, for odd bytes below 250 in the
// distortion target's use, products that land on halves; plus the extremes a
// command line can carry (atof gives NaN, infinities and huge numbers).
inline double FuzzFactor(std::uint8_t b, bool halves = false) {
  switch (b) {
    case 250: return std::numeric_limits<double>::quiet_NaN();
    case 251: return std::numeric_limits<double>::infinity();
    case 252: return -std::numeric_limits<double>::infinity();
    case 253: return 1e300;
    case 254: return halves ? 5e-324 : -1e300;
    case 255: return 1.0;
    default: return halves && b % 2 == 0 ? (b / 2 + 0.5) / (1 + b % 7) : (b - 50) / 25.0;
  }
}

#endif  // VEXLOR_TESTS_FUZZ_FUZZ_FACTOR_H_
