#ifndef VEXLOR_DESCRIPTORS_LAB_TABLES_H_
#define VEXLOR_DESCRIPTORS_LAB_TABLES_H_

#include <cstdint>

namespace vexlor {

// Fixed-point layout of the image library's 8-bit BGR to Lab path:
// coefficients carry 12 fraction bits, linear light 3 more than 8 bits, the
// cube roots 15.
inline constexpr int kCoeffShift = 12;
inline constexpr int kGammaShift = 3;
inline constexpr int kLabShift = kCoeffShift + kGammaShift;
inline constexpr int kCbrtTableSize = 256 * 3 / 2 * (1 << kGammaShift);

struct LabTables {
  std::uint16_t gamma[256];            // sRGB value -> linear light << 3
  std::uint16_t cbrt[kCbrtTableSize];  // the Lab f(t), << 15
  int coeffs[9];                       // BGR -> X/Xn, Y, Z/Zn, << 12
};

// The tables, built with the library's own software floating point. Only the
// build's table generator calls this (it needs the image library); the
// conversion uses the tables the generator wrote out.
LabTables BuildLabTables();

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_LAB_TABLES_H_
