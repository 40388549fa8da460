#ifndef VEXLOR_APP_PARSED_OPTIONS_H_
#define VEXLOR_APP_PARSED_OPTIONS_H_

#include <optional>

namespace vexlor {

// What a tool's command line asks for: a run with `options`, or, when
// `options` is empty, the end of the process with `exit_code`: after --help
// or --version (0, text on standard output) or a bad option
// (kExitBadArguments, a message on standard error).
template <typename Options>
struct ParsedOptions {
  std::optional<Options> options;
  int exit_code = 0;
};

}  // namespace vexlor

#endif  // VEXLOR_APP_PARSED_OPTIONS_H_
