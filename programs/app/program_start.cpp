#include "app/program_start.h"

#include <csignal>
#include <exception>

#include "app/unusable_settings.h"
#include "process/exit_codes.h"
#include "process/standard_streams.h"

namespace vexlor {

void StartProgram() {
  GuardStandardStreams();
  std::signal(SIGXFSZ, SIG_IGN);
}

int RunMeasuring(const char* program, const std::function<int(std::FILE* messages)>& run) {
  TellUnusableSettings(program, stderr);
  const StandardErrorSilenced decoderChatter;
  try {
    return run(decoderChatter.original());
  } catch (const std::exception& e) {
    std::fprintf(decoderChatter.original(), "%s: %s\n", program, e.what());
    return kExitFailed;
  }
}

}  // namespace vexlor
