#include <cstdio>

#include "app/groups_options.h"
#include "app/program_start.h"
#include "process/exit_codes.h"
#include "process/standard_streams.h"
#include "nearest/groups_run.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  StartProgram();
  const ParsedGroupsOptions parsed = ParseGroupsOptions(argc, argv);
  if (!parsed.options) return parsed.exit_code;
  if (StandardOutputWasClosed()) {
    std::fprintf(stderr, "vexlor-groups: %s\n", CheckStandardOutput(true).message().c_str());
    return kExitFailed;
  }
  return RunMeasuring("vexlor-groups",
                      [&](std::FILE* messages) { return RunGroups(*parsed.options, messages); });
}
