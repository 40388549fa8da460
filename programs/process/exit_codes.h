#ifndef VEXLOR_PROCESS_EXIT_CODES_H_
#define VEXLOR_PROCESS_EXIT_CODES_H_

namespace vexlor {

// Exit codes of vexlor and vexlor-batch.
enum ExitCode : int {
  kExitSuccess = 0,
  // vexlor: bad arguments, usage text printed; vexlor-batch: bad options.
  kExitBadArguments = 1,
  // Something asked for could not be produced (a file, the window, console
  // text, an icon's measurement); one line on standard error says what.
  kExitFailed = 2,
  // vexlor-batch --error-on-bad: every path got its line, and some icon gave
  // "Bad Icon".
  kExitSomeBad = 3,
  // vexlor only: the icon could not be loaded. The process status reads 255.
  kExitBadIcon = -1,
};

}  // namespace vexlor

#endif  // VEXLOR_PROCESS_EXIT_CODES_H_
