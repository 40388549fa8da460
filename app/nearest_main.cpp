#include <csignal>
#include <cstdio>
#include <exception>

#include "cli/exit_codes.h"
#include "app/nearest_options.h"
#include "cli/standard_streams.h"
#include "app/unusable_settings.h"
#include "nearest/nearest_run.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  GuardStandardStreams();
  // A write past the file size limit fails with EFBIG, reported, instead of
  // killing the process half way.
  std::signal(SIGXFSZ, SIG_IGN);
  const ParsedNearestOptions parsed = ParseNearestOptions(argc, argv);
  if (!parsed.options) return parsed.exit_code;
  if (StandardOutputWasClosed()) {
    std::fprintf(stderr, "vexlor-nearest: %s\n", CheckStandardOutput(true).message().c_str());
    return kExitFailed;
  }
  TellUnusableSettings("vexlor-nearest", stderr);
  const StandardErrorSilenced decoderChatter;
  try {
    return RunNearest(*parsed.options, decoderChatter.original());
  } catch (const std::exception& e) {
    std::fprintf(decoderChatter.original(), "vexlor-nearest: %s\n", e.what());
    return kExitFailed;
  }
}
