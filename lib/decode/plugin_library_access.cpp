#include <filesystem>
#include <mutex>

#include "decode/image_library.h"
#include "decode/pixel_limit.h"
#include "support/helper_files.h"

namespace vexlor {

namespace {

constexpr const char* kPluginName = "vexlor-imaging.so";
constexpr const char* kEntryPoint = "vexlor_image_library_v3";

// Where the plugin may be: beside the program or in its installation's
// libexec folder, and where this build put it.
std::vector<std::filesystem::path> PluginPlaces() {
  std::vector<std::filesystem::path> places = HelperFilePlaces(kPluginName);
#ifdef VEXLOR_BUILD_PLUGIN_DIR
  places.push_back(std::filesystem::path(VEXLOR_BUILD_PLUGIN_DIR) / kPluginName);
#endif
  return places;
}

struct Loaded {
  const ImageLibrary* library = nullptr;
  Status status;
};

Loaded Load() {
  Loaded loaded;
  PassPixelLimitToImageLibrary();
  void* entry = nullptr;
  loaded.status = LoadPluginEntry(PluginPlaces(), kPluginName, kEntryPoint, &entry);
  using Entry = const ImageLibrary* (*)();
  if (loaded.status.ok()) loaded.library = reinterpret_cast<Entry>(entry)();
  return loaded;
}

}  // namespace

Status GetImageLibrary(const ImageLibrary** library) {
  static const Loaded loaded = Load();
  *library = loaded.library;
  return loaded.status;
}

}  // namespace vexlor
