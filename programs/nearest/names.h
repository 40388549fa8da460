#ifndef VEXLOR_NEAREST_NAMES_H_
#define VEXLOR_NEAREST_NAMES_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vexlor/status.h"

namespace vexlor {

// The names of a data set's records, line i naming record i, held in one
// buffer (a name costs its length plus 9 bytes).
class Names {
 public:
  // Reads the names from the file at `path`, one per line, or ending with a
  // NUL byte each when `null_separated`. A last name without its separator
  // counts too. kIOError naming the file when it cannot be read;
  // kInvalidArgument ("<path>:<n>: ...") for a name of more than
  // kMaxNameLength bytes.
  static constexpr std::size_t kMaxNameLength = 1 << 16;
  Status Read(const std::string& path, bool null_separated);

  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1] + 1;
    return std::string_view(text_).substr(begin, ends_[i] - begin);
  }

 private:
  std::string text_;
  std::vector<std::size_t> ends_;
};

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_NAMES_H_
