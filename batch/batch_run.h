#ifndef VEXLOR_BATCH_BATCH_RUN_H_
#define VEXLOR_BATCH_BATCH_RUN_H_

#include <cstdio>
#include <string>

#include "batch/icon_record.h"

// Exit codes of vexlor-batch.
inline constexpr int kBatchSuccess = 0;
inline constexpr int kBatchBadOptions = 1;
// The list could not be read or the output not written.
inline constexpr int kBatchFailed = 2;

struct BatchOptions {
  std::string list = "-";  // "-": standard input
  bool null_separated = false;
  std::string output;      // empty: standard output
  bool append = false;
  RecordSettings settings;
  unsigned jobs = 1;
  bool quiet = false;
};

// Measures every icon the list names and writes one line per path, in list
// order: the line `vexlor -I PATH -A 1` with the same settings would append.
// With `append`, a newline comes first when the output file does not end in
// one. Reports failures and shows progress on `messages` (standard error, or
// where it went), and returns an exit code.
int RunBatch(const BatchOptions& options, std::FILE* messages);

#endif  // VEXLOR_BATCH_BATCH_RUN_H_
