#include <csignal>
#include <cstdio>
#include <exception>

#include "app/batch_options.h"
#include "cli/exit_codes.h"
#include "cli/standard_streams.h"
#include "app/unusable_settings.h"
#include "batch/batch_run.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  GuardStandardStreams();
  // A write past the file size limit then fails with EFBIG instead of killing
  // the process, and the part of a line already written can be cut back.
  std::signal(SIGXFSZ, SIG_IGN);
  const ParsedBatchOptions parsed = ParseBatchOptions(argc, argv);
  if (!parsed.options) return parsed.exit_code;
  const std::optional<BatchOptions>& options = parsed.options;
  if (options->output.empty() && StandardOutputWasClosed()) {
    std::fprintf(stderr, "vexlor-batch: %s\n", CheckStandardOutput(true).message().c_str());
    return kExitFailed;
  }
  TellUnusableSettings("vexlor-batch", stderr);
  const StandardErrorSilenced decoderChatter;
  try {
    return RunBatch(*options, decoderChatter.original());
  } catch (const std::exception& e) {
    std::fprintf(decoderChatter.original(), "vexlor-batch: %s\n", e.what());
    return kExitFailed;
  }
}
