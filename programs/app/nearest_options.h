#ifndef VEXLOR_APP_NEAREST_OPTIONS_H_
#define VEXLOR_APP_NEAREST_OPTIONS_H_

#include "app/parsed_options.h"
#include "nearest/nearest_run.h"

namespace vexlor {

using ParsedNearestOptions = ParsedOptions<NearestOptions>;

ParsedNearestOptions ParseNearestOptions(int argc, const char* const* argv);

}  // namespace vexlor

#endif  // VEXLOR_APP_NEAREST_OPTIONS_H_
