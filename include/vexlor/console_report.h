// vexlor/console_report.h: the labelled console listing of a record.
//
// Contract: prints on standard output, through stdio and std::cout (which
// stay synchronised), the listing that vexlor -PR 1 prints. Reports nothing;
// a caller that cares checks standard output afterwards. Not for concurrent
// use with other output on the same streams.
#ifndef VEXLOR_CONSOLE_REPORT_H_
#define VEXLOR_CONSOLE_REPORT_H_

#include "vexlor/descriptors.h"
#include "vexlor/record.h"

namespace vexlor {

void PrintResults(const Descriptors& descriptors, RecordForm form);
void PrintDescriptors(const Descriptors& descriptors, RecordForm form);
void PrintWeights(const Descriptors& descriptors, RecordForm form);
void PrintRanges(const Descriptors& descriptors, RecordForm form);

}  // namespace vexlor

#endif  // VEXLOR_CONSOLE_REPORT_H_
