#ifndef VEXLOR_REPORT_RESULTS_LINES_H_
#define VEXLOR_REPORT_RESULTS_LINES_H_

#include <cstddef>
#include <functional>
#include <string>

#include "vexlor/status.h"

namespace vexlor {

// The longest line a results file may have, in bytes: a record of either
// form is far shorter (TinyInt at most 1,664 bytes, doubles some 6,000).
inline constexpr std::size_t kMaxResultsLine = 1 << 16;

// Reads the results file at `path` one line at a time, as vexlor and
// vexlor-batch write it, and calls `line` with the line's number (from 1)
// and its record_token_count numbers, or nullptr for "Bad Icon". Stops at the
// first failure `line` returns and returns it. kIOError when the file cannot
// be read; kInvalidArgument ("<path>:<line>: ...") for a line that is neither,
// or that is longer than kMaxResultsLine.
Status ForEachResultsLine(const std::string& path,
                          const std::function<Status(std::size_t number, const double* values)>& line);

}  // namespace vexlor

#endif  // VEXLOR_REPORT_RESULTS_LINES_H_
