#include "app/run_options.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace vexlor {

int FindArgument(const char* option, int argc, const char* const* argv) {
  for (int i = 0; i < argc; ++i)
    if (std::strcmp(argv[i], option) == 0) return i;
  return -1;
}

namespace {

// Looks `option` up. Returns false when it stands in the last entry, where
// it has no value; otherwise `*value` is its value, or null when absent.
bool LookUp(const char* option, int argc, const char* const* argv,
            const char** value) {
  const int index = FindArgument(option, argc, argv);
  *value = nullptr;
  if (index < 0) return true;
  if (index + 1 >= argc) return false;
  *value = argv[index + 1];
  return true;
}

}  // namespace

bool ParseRunOptions(int argc, const char* const* argv, RunOptions* options) {
  if (argc < 3 || argc % 2 == 0) return false;

  const char* value = nullptr;
  if (!LookUp("-I", argc, argv, &value) || value == nullptr) return false;
  options->img_path = value;

  struct TextOption {
    const char* name;
    const char** field;
  };
  for (const TextOption& o : {TextOption{"-R", &options->results_path},
                              TextOption{"-SI", &options->save_path}}) {
    if (!LookUp(o.name, argc, argv, &value)) return false;
    if (value != nullptr) *o.field = value;
  }

  struct SwitchOption {
    const char* name;
    bool* field;
  };
  for (const SwitchOption& o : {SwitchOption{"-SF", &options->show_figures},
                                SwitchOption{"-TI", &options->tiny_int},
                                SwitchOption{"-A", &options->append_results},
                                SwitchOption{"-PR", &options->print_results},
                                SwitchOption{"-PI", &options->print_info}}) {
    if (!LookUp(o.name, argc, argv, &value)) return false;
    if (value != nullptr) *o.field = std::atoi(value) != 0;
  }

  if (!LookUp("-B", argc, argv, &value)) return false;
  Distortion& distortion = options->distortion;
  if (value != nullptr) distortion.blur = std::atoi(value);
  if (distortion.blur < 0 || distortion.blur > kMaxBlurSize) return false;

  struct FactorOption {
    const char* name;
    double* factor;
  };
  for (const FactorOption& o : {FactorOption{"-cR", &distortion.red},
                                FactorOption{"-cG", &distortion.green},
                                FactorOption{"-cB", &distortion.blue}}) {
    if (!LookUp(o.name, argc, argv, &value)) return false;
    if (value != nullptr) *o.factor = std::atof(value);
  }
  return true;
}

}  // namespace vexlor
