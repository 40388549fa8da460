#ifndef VEXLOR_NEAREST_NEAREST_RUN_H_
#define VEXLOR_NEAREST_NEAREST_RUN_H_

#include <cstdio>
#include <string>
#include <vector>

#include "nearest/index_choice.h"
#include "vexlor/distortion.h"
#include "vexlor/nearest.h"

namespace vexlor {

struct NearestOptions {
  std::string data;
  // What follows DATA: NAMES, then the icons, for a plain results file; the
  // icons alone for a data set (record/data_set.h), whose names are its own.
  std::vector<std::string> operands;
  std::string names;               // set from the operands or the data set
  bool null_separated = false;
  std::vector<std::string> icons;  // the queries, or
  std::string records;             // a results file whose lines are the queries
  std::string html;                // where to write the page of the answers, or ""
  LoadSettings load;               // how query icons (and the page's) are loaded
  Distortion distortion;           // and distorted (a data set's own)
  std::size_t k = 5;
  Metric metric = kDefaultMetric;
  unsigned jobs = 1;
  IndexUse index = IndexUse::kAuto;
};

// Answers every query with its k nearest records of DATA, on standard output:
// "query<TAB>rank<TAB>distance<TAB>name" lines, queries in the order given,
// nearest first. Reports failures on `messages` and returns an exit code
// (process/exit_codes.h): 1 when an option contradicts the data set's
// settings, or NAMES is missing for a plain results file; 2 when DATA, NAMES
// or the records file cannot be read or do not fit, or when a query could not
// be answered (the others are). A data set's icon queries are loaded and
// distorted as its records were; --records queries from a data set are
// named by its names. --index always asks for the root metric and TinyInt
// records (1 otherwise); an index that cannot be kept or read is told, and
// the search goes on.
// With `html`, also writes the answers as one page there (nearest/
// answer_page.h), whole or not at all; 2 when it cannot be written.
int RunNearest(const NearestOptions& options, std::FILE* messages);

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_NEAREST_RUN_H_
