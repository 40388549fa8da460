#include "app/command_line.h"

#include <cstdio>

#include "app/exit_codes.h"

namespace vexlor {

void AddDistortionOptions(CLI::App& app, Distortion* distortion) {
  app.add_option("--blur", distortion->blur, "Gaussian blur size B, aperture 2B+1 (vexlor -B)")
      ->check(CLI::Range(0, kMaxBlurSize));
  app.add_option("--red", distortion->red, "Red channel factor (vexlor -cR)");
  app.add_option("--green", distortion->green, "Green channel factor (vexlor -cG)");
  app.add_option("--blue", distortion->blue, "Blue channel factor (vexlor -cB)");
}

const CLI::Validator& NonEmptyPath() {
  static const CLI::Validator validator(
      [](const std::string& path) { return path.empty() ? std::string("the file name is empty") : std::string(); },
      "");
  return validator;
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv,
                                    const char* tool, const std::function<void()>& check) {
  try {
    app.parse(argc, argv);
    if (check) check();
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", tool, e.what(), tool);
    return kExitBadArguments;
  }
  return std::nullopt;
}

}  // namespace vexlor
