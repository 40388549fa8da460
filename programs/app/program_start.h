#ifndef VEXLOR_APP_PROGRAM_START_H_
#define VEXLOR_APP_PROGRAM_START_H_

#include <cstdio>
#include <functional>

namespace vexlor {

// What every program does first: its standard streams guarded
// (cli/standard_streams.h), and a write past the file size limit made to
// fail with EFBIG, told and cut back, instead of killing the process half way
// through a line.
void StartProgram();

// How the programs that measure run once their options are read: a setting
// that is no limit told (app/unusable_settings.h), the decoders' own chatter
// on standard error silenced, and `run` given the real standard error for
// vexlor's messages. An exception that leaves `run` is told as
// "PROGRAM: what" and ends the run with kExitFailed.
int RunMeasuring(const char* program, const std::function<int(std::FILE* messages)>& run);

}  // namespace vexlor

#endif  // VEXLOR_APP_PROGRAM_START_H_
