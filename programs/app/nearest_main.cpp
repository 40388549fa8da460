#include <cstdio>

#include "app/nearest_options.h"
#include "app/program_start.h"
#include "process/exit_codes.h"
#include "process/standard_streams.h"
#include "nearest/nearest_run.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  StartProgram();
  const ParsedNearestOptions parsed = ParseNearestOptions(argc, argv);
  if (!parsed.options) return parsed.exit_code;
  if (StandardOutputWasClosed()) {
    std::fprintf(stderr, "vexlor-nearest: %s\n", CheckStandardOutput(true).message().c_str());
    return kExitFailed;
  }
  return RunMeasuring("vexlor-nearest",
                      [&](std::FILE* messages) { return RunNearest(*parsed.options, messages); });
}
