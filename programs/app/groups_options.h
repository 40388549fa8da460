#ifndef VEXLOR_APP_GROUPS_OPTIONS_H_
#define VEXLOR_APP_GROUPS_OPTIONS_H_

#include "app/parsed_options.h"
#include "nearest/groups_run.h"

namespace vexlor {

using ParsedGroupsOptions = ParsedOptions<GroupsOptions>;

ParsedGroupsOptions ParseGroupsOptions(int argc, const char* const* argv);

}  // namespace vexlor

#endif  // VEXLOR_APP_GROUPS_OPTIONS_H_
