#include "icon/helper_files.h"

namespace vexlor {

std::vector<std::filesystem::path> HelperFilePlaces(const char* name) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return {self.parent_path() / name, self.parent_path() / "../libexec/vexlor" / name};
}

}  // namespace vexlor
