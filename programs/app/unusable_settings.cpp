#include "app/unusable_settings.h"

#include <string>

#include "decode/pixel_limit.h"

namespace vexlor {

void TellUnusableSettings(const char* program, std::FILE* messages) {
  if (const std::string problem = PixelLimitProblem(); !problem.empty())
    std::fprintf(messages, "%s: %s\n", program, problem.c_str());
}

}  // namespace vexlor
