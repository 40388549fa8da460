#include "support/helper_files.h"

#include <dlfcn.h>
#include <unistd.h>

namespace vexlor {

std::vector<std::filesystem::path> HelperFilePlaces(const char* name) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return {self.parent_path() / name, self.parent_path() / "../libexec/vexlor" / name};
}

Status LoadPluginEntry(const std::vector<std::filesystem::path>& places, const char* name,
                       const char* entry, void** function) {
  *function = nullptr;
  for (const std::filesystem::path& place : places) {
    if (::access(place.c_str(), R_OK) != 0) continue;
    void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = ::dlerror();
      return Status::IOError(error != nullptr ? error : "cannot load " + place.string());
    }
    *function = ::dlsym(handle, entry);
    if (*function == nullptr) return Status::IOError(place.string() + " has no " + entry);
    return {};
  }
  return Status::IOError(std::string("the plugin ") + name + " was not found");
}

}  // namespace vexlor
