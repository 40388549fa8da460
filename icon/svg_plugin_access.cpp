#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "icon/helper_files.h"
#include "icon/svg_renderer.h"

namespace vexlor {

namespace {

constexpr const char* kPluginName = "vexlor-svg.so";
constexpr const char* kEntryPoint = "vexlor_svg_renderer_v1";

struct Loaded {
  const SvgRenderer* renderer = nullptr;
  std::string why;
};

Loaded Load() {
  // Beside the program, in its installation's libexec folder, where this
  // build installs it (for the library and the module, which run in other
  // programs), and where this build put it.
  std::vector<std::filesystem::path> places = HelperFilePlaces(kPluginName);
  places.push_back(std::filesystem::path(VEXLOR_INSTALL_PLUGIN_DIR) / kPluginName);
  places.push_back(std::filesystem::path(VEXLOR_BUILD_PLUGIN_DIR) / kPluginName);
  Loaded loaded;
  for (const std::filesystem::path& place : places) {
    if (::access(place.c_str(), R_OK) != 0) continue;
    void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = ::dlerror();
      loaded.why = error != nullptr ? error : "cannot load " + place.string();
      return loaded;
    }
    using Entry = const SvgRenderer* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kEntryPoint));
    if (entry == nullptr) {
      loaded.why = place.string() + " has no " + kEntryPoint;
      return loaded;
    }
    loaded.renderer = entry();
    return loaded;
  }
  loaded.why = std::string("the SVG plugin ") + kPluginName + " was not found";
  return loaded;
}

}  // namespace

const SvgRenderer* GetSvgRenderer(std::string* why) {
  static const Loaded loaded = Load();
  if (loaded.renderer == nullptr) *why = loaded.why;
  return loaded.renderer;
}

}  // namespace vexlor
