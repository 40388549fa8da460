#ifndef VEXLOR_BATCH_BATCH_RUN_H_
#define VEXLOR_BATCH_BATCH_RUN_H_

#include <cstdio>
#include <string>
#include <vector>

#include "vexlor/distortion.h"
#include "vexlor/record.h"

namespace vexlor {

struct BatchOptions {
  // Lists of paths ("-": standard input) and folders, in order; none:
  // standard input.
  std::vector<std::string> inputs;
  bool null_separated = false;
  std::string output;      // empty: standard output
  bool append = false;
  RecordForm form = RecordForm::kTinyInt;
  LoadSettings load;
  Distortion distortion;
  unsigned jobs = 1;
  bool quiet = false;        // no progress display
  bool no_reasons = false;   // bad icons not told one by one (the summary stays)
  bool error_on_bad = false; // kExitSomeBad when some icon gave "Bad Icon"
};

// Measures every icon the inputs name (batch/icon_inputs.h) and writes one
// line per path, in order: the line `vexlor -I PATH -A 1` with the same
// settings would append. A file found in a folder that fails to load and is
// no image at all is passed over (counted, no line). With `append`, a
// newline comes first when the output file does not end in one. Tells why
// each bad path is bad, with a hint where the path shows the cause, and one
// summary line at the end; shows progress on `messages` (standard error, or
// where it went). Returns an exit code (process/exit_codes.h): 1 for an
// input that is no list (an image, NUL bytes without -0); 2 when an input
// could not be read, the output not written, or an icon that was loaded
// could not be measured (it gets "Bad Icon"; the run goes on); else 3 with
// `error_on_bad` when some icon was bad.
int RunBatch(const BatchOptions& options, std::FILE* messages);

}  // namespace vexlor

#endif  // VEXLOR_BATCH_BATCH_RUN_H_
