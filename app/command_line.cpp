#include "app/command_line.h"

#include <cstdio>

#include "app/exit_codes.h"

namespace vexlor {

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
