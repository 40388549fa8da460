#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "icon/helper_files.h"
#include "icon/image_codecs.h"

namespace vexlor {

namespace {

constexpr const char* kPluginName = "vexlor-codecs.so";
constexpr const char* kEntryPoint = "vexlor_image_codecs_v1";

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
  const ImageCodecs* codecs = nullptr;
  std::string why;
};

Loaded Load() {
  Loaded loaded;
  for (const std::filesystem::path& place : PluginPlaces()) {
    if (::access(place.c_str(), R_OK) != 0) continue;
    void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = ::dlerror();
      loaded.why = error != nullptr ? error : "cannot load " + place.string();
      return loaded;
    }
    using Entry = const ImageCodecs* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kEntryPoint));
    if (entry == nullptr) {
      loaded.why = place.string() + " has no " + kEntryPoint;
      return loaded;
    }
    loaded.codecs = entry();
    return loaded;
  }
  loaded.why = std::string("the image codecs plugin ") + kPluginName + " was not found";
  return loaded;
}

}  // namespace

const ImageCodecs* GetImageCodecs(std::string* why) {
  static const Loaded loaded = Load();
  if (loaded.codecs == nullptr) *why = loaded.why;
  return loaded.codecs;
}

}  // namespace vexlor
