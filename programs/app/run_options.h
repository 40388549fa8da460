#ifndef VEXLOR_APP_RUN_OPTIONS_H_
#define VEXLOR_APP_RUN_OPTIONS_H_

#include "vexlor/distortion.h"

namespace vexlor {

// The settings of one run, filled from the command line before any other
// work and only read afterwards. Text fields point into argv.
struct RunOptions {
  const char* img_path = nullptr;
  const char* results_path = "results.txt";
  // The exact text "no" means that the distorted icon is not saved.
  const char* save_path = "no";
  bool show_figures = false;
  bool tiny_int = true;
  bool append_results = false;
  bool print_results = false;
  bool print_info = false;
  // -B, -cR, -cG and -cB.
  Distortion distortion;
};

// Index of the first entry of argv (the program path included) that equals
// `option` byte for byte, or -1.
int FindArgument(const char* option, int argc, const char* const* argv);

// Fills `options` from the command line. Every option is looked up over the
// whole vector and takes the entry after its first occurrence as its value,
// read as atoi/atof read it; entries that name no option are ignored.
// Returns false, the bad-arguments case, when the entry count is not odd and
// at least 3, when "-I" is absent, when an option stands last with no value
// after it, or when "-B" is negative or too large for its aperture 2*B+1.
bool ParseRunOptions(int argc, const char* const* argv, RunOptions* options);

}  // namespace vexlor

#endif  // VEXLOR_APP_RUN_OPTIONS_H_
