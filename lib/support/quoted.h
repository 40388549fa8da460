#ifndef VEXLOR_SUPPORT_QUOTED_H_
#define VEXLOR_SUPPORT_QUOTED_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vexlor {

// Text from outside (a path, a token of a damaged file) as a message may
// show it: well-formed UTF-8 stays as it is, control bytes and bytes that are
// no UTF-8 become \xNN, so that a message never writes raw binary to a
// terminal and always decodes as UTF-8. With `max_bytes`, text longer than
// that is cut there and marked "...".
std::string Quoted(std::string_view text, std::size_t max_bytes = std::string_view::npos);

}  // namespace vexlor

#endif  // VEXLOR_SUPPORT_QUOTED_H_
