// vexlor/record.h: the text of a record, as the results file holds it.
//
// Contract: a record is the 416 numbers of recDesc, groupDesc, recWeights
// and groupRanges (or of their TinyInt forms), each followed by one blank.
// TinyInt values are plain decimals; doubles take printf's "%g" form (6
// significant digits) with a point as the decimal separator, whatever the
// process locale. An icon that cannot be loaded has the record "Bad Icon".
//
// Pure functions of their arguments: safe on any thread.
#ifndef VEXLOR_RECORD_H_
#define VEXLOR_RECORD_H_

#include <string>
#include <vector>

#include "vexlor/descriptors.h"

namespace vexlor {

enum class RecordForm {
  kTinyInt,  // the integer forms (vexlor -TI 1, the default)
  kDouble,   // the double forms (vexlor -TI 0)
};

// The record that stands for an icon that cannot be loaded.
inline constexpr const char* kBadIcon = "Bad Icon";

// The results-file record of `descriptors` in `form`, without the final
// newline, byte for byte as vexlor writes it.
std::string RecordLine(const Descriptors& descriptors, RecordForm form);

// The record's numbers as the results file holds them, in its order: the
// TinyInt values, or the doubles rounded to the 6 significant digits of their
// "%g" text. Parsing RecordLine(descriptors, form) gives the same numbers.
std::vector<double> RecordValues(const Descriptors& descriptors, RecordForm form);

}  // namespace vexlor

#endif  // VEXLOR_RECORD_H_
