#include "descriptors/lab_tables.h"

#include <climits>

#include <opencv2/core.hpp>
#include <opencv2/core/softfloat.hpp>

namespace vexlor {

using cv::softdouble;
using cv::softfloat;

// Built with the library's own software floating point, operation for
// operation as it builds its tables, so every entry is the library's.
LabTables BuildLabTables() {
  LabTables t{};
  // sRGB to XYZ (0.412453 ... 0.950227) and the D65 white point, as the
  // library stores them.
  static const softdouble kRgbToXyz[9] = {
      softdouble::fromRaw(0x3fda65a14488c60d), softdouble::fromRaw(0x3fd6e297396d0918),
      softdouble::fromRaw(0x3fc71819d2391d58), softdouble::fromRaw(0x3fcb38cda6e75ff6),
      softdouble::fromRaw(0x3fe6e297396d0918), softdouble::fromRaw(0x3fb279aae6c8f755),
      softdouble::fromRaw(0x3f93cc4ac6cdaf4b), softdouble::fromRaw(0x3fbe836eb4e98138),
      softdouble::fromRaw(0x3fee68427418d691)};
  static const softdouble kWhite[3] = {softdouble::fromRaw(0x3fee6a22b3892ee8),
                                       softdouble::one(),
                                       softdouble::fromRaw(0x3ff16b8950763a19)};

  const softdouble gammaThreshold = softdouble(809) / softdouble(20000);  // 0.04045
  const softdouble gammaLowScale = softdouble(323) / softdouble(25);      // 12.92
  const softdouble gammaPower = softdouble(12) / softdouble(5);           // 2.4
  const softdouble gammaXshift = softdouble(11) / softdouble(200);        // 0.055
  auto applyGamma = [&](softfloat x) -> softfloat {
    const softdouble xd = x;
    return xd <= gammaThreshold
               ? xd / gammaLowScale
               : pow((xd + gammaXshift) / (softdouble::one() + gammaXshift), gammaPower);
  };
  const softfloat f255(255);
  const softfloat intScale(255 * (1 << kGammaShift));
  for (int i = 0; i < 256; ++i)
    t.gamma[i] = static_cast<std::uint16_t>(cvRound(intScale * applyGamma(softfloat(i) / f255)));

  const softfloat lthresh = softfloat(216) / softfloat(24389);  // (6/29)^3
  const softfloat lscale = softfloat(841) / softfloat(108);     // (29/3)^3 / (29*4)
  const softfloat lbias = softfloat(16) / softfloat(116);
  const softfloat cbrtScale = softfloat::one() / (f255 * softfloat(1 << kGammaShift));
  const softfloat labScale(1 << kLabShift);
  for (int i = 0; i < kCbrtTableSize; ++i) {
    const softfloat x = cbrtScale * softfloat(i);
    t.cbrt[i] = static_cast<std::uint16_t>(
        cvRound(labScale * (x < lthresh ? mulAdd(x, lscale, lbias) : cbrt(x))));
  }

  // Blue first: column 2 of the matrix goes to coefficient 0.
  const softdouble coeffScale(1 << kCoeffShift);
  for (int i = 0; i < 3; ++i) {
    t.coeffs[i * 3 + 2] = cvRound(coeffScale * kRgbToXyz[i * 3 + 0] / kWhite[i]);
    t.coeffs[i * 3 + 1] = cvRound(coeffScale * kRgbToXyz[i * 3 + 1] / kWhite[i]);
    t.coeffs[i * 3 + 0] = cvRound(coeffScale * kRgbToXyz[i * 3 + 2] / kWhite[i]);
  }
  return t;
}

}  // namespace vexlor
