#ifndef VEXLOR_APP_BATCH_OPTIONS_H_
#define VEXLOR_APP_BATCH_OPTIONS_H_

#include <optional>

#include "batch/batch_run.h"

namespace vexlor {

// Reads vexlor-batch's command line. Returns the options, or nullopt with
// `*exit_code` set when the process should end now: after --help or
// --version (0, text on standard output) or a bad option (kExitBadArguments,
// a message on standard error).
std::optional<BatchOptions> ParseBatchOptions(int argc, const char* const* argv,
                                              int* exit_code);

}  // namespace vexlor

#endif  // VEXLOR_APP_BATCH_OPTIONS_H_
