#ifndef VEXLOR_BATCH_ICON_RECORD_H_
#define VEXLOR_BATCH_ICON_RECORD_H_

#include <string>

// The settings of a batch, with the meaning of vexlor's -TI, -B, -cB, -cG
// and -cR.
struct RecordSettings {
  bool tiny_int = true;
  int blur_size = 0;
  double c[3] = {1.0, 1.0, 1.0};  // blue, green, red
};

// The line that `vexlor -I path -A 1` with the same settings appends for the
// icon at `path` (to a file that ends in a newline): its record and a
// newline, or "Bad Icon" and a newline when the icon cannot be loaded.
std::string IconRecordLine(const std::string& path, const RecordSettings& settings);

#endif  // VEXLOR_BATCH_ICON_RECORD_H_
