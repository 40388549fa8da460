#ifndef VEXLOR_APP_RUN_H_
#define VEXLOR_APP_RUN_H_

// Exit codes of a run.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitBadArguments = 1;
inline constexpr int kExitBadIcon = -1;  // the process status reads 255
// Something the run was asked to produce could not be produced (results
// file, saved icon, window, console text); everything else was still done.
inline constexpr int kExitOutputFailed = 2;

// One run of the tool over the command line: parse the options, load the
// icon, distort it, optionally save it, build its descriptors, optionally
// list them, write them to the results file, optionally show the icon, and
// return the exit code. Failures of the outputs are reported on standard
// error, one line each.
int RunVexlor(int argc, const char* const* argv);

#endif  // VEXLOR_APP_RUN_H_
