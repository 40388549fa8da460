#ifndef VEXLOR_REPORT_RESULTS_LINES_H_
#define VEXLOR_REPORT_RESULTS_LINES_H_

#include <cstddef>
#include <functional>
#include <string>

#include "vexlor/status.h"

namespace vexlor {

// Reads the results file at `path` one line at a time, as vexlor and
// vexlor-batch write it, and calls `line` with the line's number (from 1)
// and its record_token_count numbers, or nullptr for "Bad Icon". Stops at the
// first failure `line` returns and returns it. kIOError when the file cannot
// be read; kInvalidArgument ("<path>:<line>: ...") for a line that is neither.
Status ForEachResultsLine(const std::string& path,
                          const std::function<Status(std::size_t number, const double* values)>& line);

}  // namespace vexlor

#endif  // VEXLOR_REPORT_RESULTS_LINES_H_
