#ifndef VEXLOR_DESCRIPTORS_MEASURE_H_
#define VEXLOR_DESCRIPTORS_MEASURE_H_

#include <optional>
#include <string>

#include "decode/icon_pixels.h"
#include "descriptors/normalised_icon.h"
#include "vexlor/descriptors.h"
#include "vexlor/distortion.h"
#include "vexlor/status.h"

namespace vexlor {

// The record of an icon that is already distorted. When `seen` is given it
// receives the 62 x 62 BGR icon the record was measured on (the resampled
// icon measures as the original: it is not resampled again). Throws
// vexlor::Error and std::bad_alloc.
Descriptors MeasureDistorted(const BgrImageView& icon, NormalisedIcon* seen);

// The one path from an icon file to its record, under every front end:
// loads `path` with `load`, distorts it and measures it. Statuses as
// DescribeFile's (vexlor/vexlor.h); never throws.
Status MeasureIconFile(const std::string& path, const LoadSettings& load,
                       const Distortion& distortion, std::optional<Descriptors>* out,
                       NormalisedIcon* seen = nullptr);

// The 62 x 62 icon MeasureIconFile measures `path` on (its `seen`), without
// measuring it: for what is computed from the icon beside its record, at
// the cost of loading it; `width` and `height`, if given, are set to its
// size as loaded. Statuses as MeasureIconFile's; never throws.
Status NormaliseIconFile(const std::string& path, const LoadSettings& load,
                         const Distortion& distortion, NormalisedIcon* seen, int* width = nullptr,
                         int* height = nullptr);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_MEASURE_H_
