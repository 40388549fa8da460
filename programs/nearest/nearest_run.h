#ifndef VEXLOR_NEAREST_NEAREST_RUN_H_
#define VEXLOR_NEAREST_NEAREST_RUN_H_

#include <cstdio>
#include <string>
#include <vector>

#include "vexlor/distortion.h"

#include "vexlor/nearest.h"

namespace vexlor {

struct NearestOptions {
  std::string data;
  std::string names;
  bool null_separated = false;
  std::vector<std::string> icons;  // the queries, or
  std::string records;             // a results file whose lines are the queries
  std::string html;                // where to write the page of the answers, or ""
  LoadSettings load;               // how query icons (and the page's) are loaded
  std::size_t k = 5;
  Metric metric = kDefaultMetric;
  unsigned jobs = 1;
};

// Answers every query with its k nearest records of DATA, on standard output:
// "query<TAB>rank<TAB>distance<TAB>name" lines, queries in the order given,
// nearest first. Reports failures on `messages` and returns an exit code
// (cli/exit_codes.h): 2 when DATA, NAMES or the records file cannot be read
// or do not fit, or when a query could not be answered (the others are).
// With `html`, also writes the answers as one page there (nearest/
// answer_page.h), whole or not at all; 2 when it cannot be written.
int RunNearest(const NearestOptions& options, std::FILE* messages);

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_NEAREST_RUN_H_
