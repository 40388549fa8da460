#ifndef VEXLOR_NEAREST_NAME_TEXT_H_
#define VEXLOR_NEAREST_NAME_TEXT_H_

#include <string>
#include <string_view>

namespace vexlor {

// A name as a column of an output line: a backslash, a tab, a line end or
// any other control byte in it would break the line or its columns, so they
// are written as \\, \t, \n, \r and \xNN. Every other byte is written as it
// is.
void AppendName(std::string* out, std::string_view name);

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_NAME_TEXT_H_
