#include <cstdio>
#include <exception>

#include "app/program_start.h"
#include "app/run.h"
#include "process/exit_codes.h"
#include "vexlor/status.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  StartProgram();
  try {
    return RunVexlor(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vexlor: %s\n", StatusOf(e).message().c_str());
  }
  return kExitFailed;
}
