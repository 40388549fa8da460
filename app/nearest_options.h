#ifndef VEXLOR_APP_NEAREST_OPTIONS_H_
#define VEXLOR_APP_NEAREST_OPTIONS_H_

#include <optional>

#include "nearest/nearest_run.h"

namespace vexlor {

// What vexlor-nearest's command line asks for, as ParsedBatchOptions.
struct ParsedNearestOptions {
  std::optional<NearestOptions> options;
  int exit_code = 0;
};

ParsedNearestOptions ParseNearestOptions(int argc, const char* const* argv);

}  // namespace vexlor

#endif  // VEXLOR_APP_NEAREST_OPTIONS_H_
