#include <csignal>
#include <cstdio>
#include <exception>

#include "cli/exit_codes.h"
#include "app/run.h"
#include "cli/standard_streams.h"
#include "vexlor/status.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  GuardStandardStreams();
  // A write past the file size limit then fails with EFBIG instead of killing
  // the process, and the part of a line already written can be cut back.
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    return RunVexlor(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vexlor: %s\n", StatusOf(e).message().c_str());
  }
  return kExitFailed;
}
