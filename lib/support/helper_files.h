#ifndef VEXLOR_SUPPORT_HELPER_FILES_H_
#define VEXLOR_SUPPORT_HELPER_FILES_H_

#include <filesystem>
#include <string>
#include <vector>

#include "vexlor/status.h"

namespace vexlor {

// Where a file that comes with the command-line tools (the image library plugin,
// the window helper) may be, in the order to try: beside the running program
// (the build tree), then in ../libexec/vexlor/ from it (an installation).
// Empty when the program's own path cannot be read.
std::vector<std::filesystem::path> HelperFilePlaces(const char* name);

// Loads the plugin `name` from the first of `places` that is there and sets
// `*function` to its C function `entry`; an IOError with the reason alone
// when it cannot.
Status LoadPluginEntry(const std::vector<std::filesystem::path>& places, const char* name,
                       const char* entry, void** function);

}  // namespace vexlor

#endif  // VEXLOR_SUPPORT_HELPER_FILES_H_
