#ifndef VEXLOR_NEAREST_GROUPS_RUN_H_
#define VEXLOR_NEAREST_GROUPS_RUN_H_

#include <cstdio>
#include <string>

#include "nearest/index_choice.h"
#include "search/groups.h"

namespace vexlor {

struct GroupsOptions {
  std::string data;  // a data set that vexlor-batch -o made
  GroupingRule rule = kDefaultGroups;
  IndexUse index = IndexUse::kAuto;
  unsigned jobs = 0;
  std::string html;  // where to write the page of the groups, or ""
};

// Partitions the records of a data set into groups of the same artwork
// (search/groups.h) and prints one line per line of DATA, in its order:
// "GROUP<TAB>NAME", groups numbered from 1 in the order of their first
// line, "-" for a "Bad Icon" line; a name printed as vexlor-nearest prints
// it. Each icon is measured again, as its record was made, for its
// signature and grey map. Returns an exit code (process/exit_codes.h): 1 when DATA is no
// data set; 2 when it cannot be read or its names do not fit, and when an
// icon could not be measured again (it is then a group of its own; every
// line is printed all the same). With `html`, also writes the groups of more
// than one record as one page there (nearest/answer_page.h), largest first,
// whole or not at all; 2 when it cannot be written.
int RunGroups(const GroupsOptions& options, std::FILE* messages);

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_GROUPS_RUN_H_
