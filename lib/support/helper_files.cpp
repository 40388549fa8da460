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

void* LoadPluginEntry(const std::vector<std::filesystem::path>& places, const char* name,
                      const char* entry, std::string* why) {
  for (const std::filesystem::path& place : places) {
    if (::access(place.c_str(), R_OK) != 0) continue;
    void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = ::dlerror();
      *why = error != nullptr ? error : "cannot load " + place.string();
      return nullptr;
    }
    void* function = ::dlsym(handle, entry);
    if (function == nullptr) *why = place.string() + " has no " + entry;
    return function;
  }
  *why = std::string("the plugin ") + name + " was not found";
  return nullptr;
}

}  // namespace vexlor
