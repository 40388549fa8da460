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

// One path's outcome: `line` is what `vexlor -I path -A 1` with the same
// settings appends (to a file that ends in a newline): the record and a
// newline, or "Bad Icon" and a newline. `error` is empty, or says why an icon
// that was loaded could not be measured (memory, a library error); its line
// is then "Bad Icon" too.
struct IconLine {
  std::string line;
  std::string error;
};

// Never throws.
IconLine IconRecordLine(const std::string& path, const RecordSettings& settings);

#endif  // VEXLOR_BATCH_ICON_RECORD_H_
