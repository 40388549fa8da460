#ifndef VEXLOR_RECORD_RECORD_FORMAT_H_
#define VEXLOR_RECORD_RECORD_FORMAT_H_

#include <string>

namespace vexlor {

// Appends `value` in printf's "%g" form (6 significant digits, classic
// locale) to `out`.
void AppendGeneral(std::string& out, double value);

}  // namespace vexlor

#endif  // VEXLOR_RECORD_RECORD_FORMAT_H_
