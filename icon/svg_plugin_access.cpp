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
  using Entry = const SvgRenderer* (*)();
  if (const auto entry = reinterpret_cast<Entry>(
          LoadPluginEntry(places, kPluginName, kEntryPoint, &loaded.why)))
    loaded.renderer = entry();
  return loaded;
}

}  // namespace

const SvgRenderer* GetSvgRenderer(std::string* why) {
  static const Loaded loaded = Load();
  if (loaded.renderer == nullptr) *why = loaded.why;
  return loaded.renderer;
}

}  // namespace vexlor
