#ifndef VEXLOR_APP_RUN_H_
#define VEXLOR_APP_RUN_H_

namespace vexlor {

// One run of vexlor over the command line: parse the options, load the icon,
// distort it, optionally save it, build its descriptors, optionally list
// them, write them to the results file, optionally show the icon, and return
// the exit code (cli/exit_codes.h). Failures of the outputs are reported on
// standard error, one line each.
int RunVexlor(int argc, const char* const* argv);

}  // namespace vexlor

#endif  // VEXLOR_APP_RUN_H_
