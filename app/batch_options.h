#ifndef VEXLOR_APP_BATCH_OPTIONS_H_
#define VEXLOR_APP_BATCH_OPTIONS_H_

#include <optional>

#include "batch/batch_run.h"

namespace vexlor {

// What vexlor-batch's command line asks for: a run with `options`, or, when
// `options` is empty, the end of the process with `exit_code`: after --help
// or --version (0, text on standard output) or a bad option
// (kExitBadArguments, a message on standard error).
struct ParsedBatchOptions {
  std::optional<BatchOptions> options;
  int exit_code = 0;
};

ParsedBatchOptions ParseBatchOptions(int argc, const char* const* argv);

}  // namespace vexlor

#endif  // VEXLOR_APP_BATCH_OPTIONS_H_
