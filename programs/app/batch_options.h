#ifndef VEXLOR_APP_BATCH_OPTIONS_H_
#define VEXLOR_APP_BATCH_OPTIONS_H_

#include "app/parsed_options.h"
#include "batch/batch_run.h"

namespace vexlor {

using ParsedBatchOptions = ParsedOptions<BatchOptions>;

ParsedBatchOptions ParseBatchOptions(int argc, const char* const* argv);

}  // namespace vexlor

#endif  // VEXLOR_APP_BATCH_OPTIONS_H_
