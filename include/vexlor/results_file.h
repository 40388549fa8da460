// vexlor/results_file.h: writing records to a results file.
//
// Contract: a results file holds one record per line. Append mode creates a
// missing file, adds the record and a newline, and first adds a newline when
// the file does not end in one, so every record keeps a line of its own.
// Overwrite mode leaves the file holding the record alone, with no newline.
//
// Integrity: each record is written with one write(2) under an advisory lock
// (flock) that vexlor's tools take for the check, the write and, in overwrite
// mode, the emptying of the file, so processes appending to one file at once
// never interleave. A write that fails part way is cut back: the file keeps
// nothing of the record. A pipe that no process reads is refused. The lock
// keeps out only writers that take it too.
//
// Thread safety: separate calls may run on separate threads. (The tools
// write through report/output_file.h, which keeps a file open for many
// records under the same rules.)
//
// Errors: Status (kIOError) with a one-line message that names the file
// ("cannot open '<path>': <reason>").
#ifndef VEXLOR_RESULTS_FILE_H_
#define VEXLOR_RESULTS_FILE_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vexlor/descriptors.h"
#include "vexlor/record.h"
#include "vexlor/status.h"

namespace vexlor {

// Writes the record of `descriptors` in `form` to the results file at `path`.
Status WriteToFile(const Descriptors& descriptors, const std::string& path, bool append,
                   RecordForm form);

// Writes `message` (for a bad icon, kBadIcon) as a record of its own.
Status WriteMessageToFile(const std::string& path, bool append, std::string_view message);

// A results file read back: the numbers of every line, in file order.
struct ResultsTable {
  // One row of record_token_count numbers per line, NaN for "Bad Icon".
  std::vector<double> values;
  // Per line: whether it is "Bad Icon".
  std::vector<char> bad;
};

// Reads a results file of either form, as vexlor and vexlor-batch write it:
// lines of append mode, a record of overwrite mode without a final newline,
// "Bad Icon" lines. kIOError when the file cannot be read; kInvalidArgument
// naming the file and the line ("<path>:<line>: ...") for a line that is none
// of these, longer than 64 KiB, or a record that breaks the rules of
// CheckRecord (vexlor/nearest.h): every reader takes the same records.
Status ReadResults(const std::string& path, ResultsTable* table);

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

#endif  // VEXLOR_RESULTS_FILE_H_
