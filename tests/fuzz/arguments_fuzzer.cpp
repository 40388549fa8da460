// Fuzz target: arbitrary argument vectors through both tools' option
// handling. The input is split at NUL bytes into argv[0..]; at most 64
// entries.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/run_options.h"
#include "process/exit_codes.h"
#include "vexlor/icon.h"

namespace {

using namespace vexlor;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool PointsIntoArgv(const char* text, const std::vector<const char*>& argv) {
  for (const char* entry : argv)
    if (entry == text) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::vector<std::string> entries(1);
  for (size_t i = 0; i < size && entries.size() <= 64; ++i) {
    if (data[i] == 0)
      entries.emplace_back();
    else
      entries.back().push_back(static_cast<char>(data[i]));
  }
  std::vector<const char*> argv;
  for (const std::string& entry : entries) argv.push_back(entry.c_str());
  const int argc = static_cast<int>(argv.size());

  for (const char* option : {"-I", "-R", "-SI", "-B", "-cR"}) {
    const int index = FindArgument(option, argc, argv.data());
    Check(index == -1 || (index < argc && std::strcmp(argv[index], option) == 0));
  }

  RunOptions options;
  if (ParseRunOptions(argc, argv.data(), &options)) {
    Check(argc >= 3 && argc % 2 == 1);
    Check(options.img_path != nullptr && PointsIntoArgv(options.img_path, argv));
    Check(options.distortion.blur >= 0 && options.distortion.blur <= kMaxBlurSize);
    Check(std::strcmp(options.results_path, "results.txt") == 0 ||
          PointsIntoArgv(options.results_path, argv));
  }

  const ParsedBatchOptions parsed = ParseBatchOptions(argc, argv.data());
  const std::optional<BatchOptions>& batch = parsed.options;
  const int exitCode = parsed.exit_code;
  if (batch) {
    Check(batch->jobs >= 1 && batch->jobs <= 1024);
    Check(batch->distortion.blur >= 0 && batch->distortion.blur <= kMaxOptionBlur);
    Check(!std::isnan(batch->distortion.red) && !std::isnan(batch->distortion.green) &&
          !std::isnan(batch->distortion.blue));
    Check(!batch->append || !batch->output.empty());
  } else {
    Check(exitCode == kExitSuccess || exitCode == kExitBadArguments);
  }
  return 0;
}
