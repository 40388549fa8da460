#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "icon/helper_files.h"
#include "icon/image_library.h"
#include "icon/pixel_limit.h"

namespace vexlor {

namespace {

constexpr const char* kPluginName = "vexlor-imaging.so";
constexpr const char* kEntryPoint = "vexlor_image_library_v2";

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
  std::string why;
};

Loaded Load() {
  Loaded loaded;
  PassPixelLimitToImageLibrary();
  for (const std::filesystem::path& place : PluginPlaces()) {
    if (::access(place.c_str(), R_OK) != 0) continue;
    void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = ::dlerror();
      loaded.why = error != nullptr ? error : "cannot load " + place.string();
      return loaded;
    }
    using Entry = const ImageLibrary* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kEntryPoint));
    if (entry == nullptr) {
      loaded.why = place.string() + " has no " + kEntryPoint;
      return loaded;
    }
    loaded.library = entry();
    return loaded;
  }
  loaded.why = std::string("the image library plugin ") + kPluginName + " was not found";
  return loaded;
}

}  // namespace

const ImageLibrary* GetImageLibrary(std::string* why) {
  static const Loaded loaded = Load();
  if (loaded.library == nullptr) *why = loaded.why;
  return loaded.library;
}

}  // namespace vexlor
