#include <cstdio>

#include "app/batch_options.h"
#include "app/program_start.h"
#include "batch/batch_run.h"
#include "process/exit_codes.h"
#include "process/standard_streams.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  StartProgram();
  const ParsedBatchOptions parsed = ParseBatchOptions(argc, argv);
  if (!parsed.options) return parsed.exit_code;
  const std::optional<BatchOptions>& options = parsed.options;
  if (options->output.empty() && StandardOutputWasClosed()) {
    std::fprintf(stderr, "vexlor-batch: %s\n", CheckStandardOutput(true).message().c_str());
    return kExitFailed;
  }
  return RunMeasuring("vexlor-batch",
                      [&](std::FILE* messages) { return RunBatch(*options, messages); });
}
