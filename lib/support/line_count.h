#ifndef VEXLOR_SUPPORT_LINE_COUNT_H_
#define VEXLOR_SUPPORT_LINE_COUNT_H_

#include <cstddef>
#include <string>

#include "vexlor/status.h"

namespace vexlor {

// Counts the lines of the regular file at `path`, each ending with
// `separator` (a last one without it counts too), into `*lines`, without
// keeping them. An IOError with the reason alone when it cannot be read or is
// no regular file: a pipe would be drained and a device read without end.
Status CountLinesOf(const std::string& path, char separator, std::size_t* lines);

}  // namespace vexlor

#endif  // VEXLOR_SUPPORT_LINE_COUNT_H_
