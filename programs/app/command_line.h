#ifndef VEXLOR_APP_COMMAND_LINE_H_
#define VEXLOR_APP_COMMAND_LINE_H_

#include <functional>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "nearest/index_choice.h"
#include "vexlor/distortion.h"

namespace vexlor {

// Parses the command line with `app` (named `tool` in messages), then runs
// `check` for rules the parser cannot state (it throws a CLI::ParseError).
// Returns nothing when the run goes on, or the exit code: 0 after --help or
// --version (text on standard output), kExitBadArguments after a bad option
// (a message and a pointer to --help on standard error).
// --blur, --red, --green and --blue, vexlor's -B, -cR, -cG and -cB, into
// `distortion`.
void AddDistortionOptions(CLI::App& app, Distortion* distortion);

// -j/--jobs N into `jobs`: worker threads, 0 (and the default) every core.
void AddJobsOption(CLI::App& app, unsigned* jobs);

// --index auto|always|never into `use` (nearest/index_choice.h).
void AddIndexOption(CLI::App& app, IndexUse* use);

// --background and --svg-size into `load`.
void AddLoadOptions(CLI::App& app, LoadSettings* load);

// --background COLOUR into `background`; a text that is no colour is a bad
// option.
void AddBackgroundOption(CLI::App& app, Background* background);

// --svg-size N into `svg_size`.
void AddSvgSizeOption(CLI::App& app, int* svg_size);

// For options that name a file to write: the empty name is refused (it would
// otherwise read as "no file given").
const CLI::Validator& NonEmptyPath();

// For a file that is written as PNG: a name ending in another extension
// (.jpg, ...) is refused; a name without one is taken.
const CLI::Validator& PngPath();

// `text` with ASCII letters in lower case, for names given in any case.
std::string Lowercase(std::string text);

std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv,
                                    const char* tool, const std::function<void()>& check = {});

}  // namespace vexlor

#endif  // VEXLOR_APP_COMMAND_LINE_H_
