#ifndef VEXLOR_BATCH_BATCH_RUN_H_
#define VEXLOR_BATCH_BATCH_RUN_H_

#include <cstdio>
#include <string>

#include "vexlor/distortion.h"
#include "vexlor/record.h"

namespace vexlor {

struct BatchOptions {
  std::string list = "-";  // "-": standard input
  bool null_separated = false;
  std::string output;      // empty: standard output
  bool append = false;
  RecordForm form = RecordForm::kTinyInt;
  LoadSettings load;
  Distortion distortion;
  unsigned jobs = 1;
  bool quiet = false;
};

// Measures every icon the list names and writes one line per path, in list
// order: the line `vexlor -I PATH -A 1` with the same settings would append.
// With `append`, a newline comes first when the output file does not end in
// one. Reports failures and shows progress on `messages` (standard error, or
// where it went), and returns an exit code (cli/exit_codes.h): 2 when the
// list could not be read, the output not written, or an icon that was loaded
// could not be measured (it gets "Bad Icon"; the run goes on).
int RunBatch(const BatchOptions& options, std::FILE* messages);

}  // namespace vexlor

#endif  // VEXLOR_BATCH_BATCH_RUN_H_
