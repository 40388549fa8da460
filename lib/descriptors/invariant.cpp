#include "descriptors/invariant.h"

#include <cstdio>
#include <cstdlib>

namespace vexlor {

void DescriptorsInvariantFailed(const char* condition, const char* file,
                                int line) {
  // The "BAD:" diagnostic, if any, went to standard output just before.
  std::fflush(stdout);
  std::fprintf(stderr, "%s:%d: Assertion `%s' failed.\n", file, line,
               condition);
  std::abort();
}

}  // namespace vexlor
