#ifndef VEXLOR_REPORT_RECORD_FORMAT_H_
#define VEXLOR_REPORT_RECORD_FORMAT_H_

#include <string>

class Descriptors;

// The results-file text of one record, without a line end: the 416 numbers
// of recDesc, groupDesc, recWeights and groupRanges (or of their TinyInt
// forms when `tinyInt` is set), each followed by one blank. TinyInt values
// are plain decimals; doubles take printf's "%g" form (6 significant digits)
// in the classic locale, whatever the process locale is.
std::string FormatRecord(const Descriptors& descriptors, bool tinyInt);

// Appends `value` in "%g" form to `out`.
void AppendGeneral(std::string& out, double value);

#endif  // VEXLOR_REPORT_RECORD_FORMAT_H_
