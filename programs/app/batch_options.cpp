#include "app/batch_options.h"

#include <cstdio>

#include <CLI/CLI.hpp>

#include "app/command_line.h"
#include "process/exit_codes.h"

namespace vexlor {

ParsedBatchOptions ParseBatchOptions(int argc, const char* const* argv) {
  BatchOptions o;

  CLI::App app(
      "Measures many icons in one process. Reads icon paths from each LIST (one per line),\n"
      "or takes every file below each FOLDER, and writes one line per path, in the same\n"
      "order: the line that `vexlor -I PATH -A 1` with the same settings appends (\"Bad\n"
      "Icon\" for a path that is no readable image, told on standard error with the\n"
      "reason). Files in a FOLDER that are no image at all are passed over.",
      "vexlor-batch");
  app.add_option("INPUT", o.inputs,
                 "A LIST, a file of icon paths (- or none: standard input), or a FOLDER of icons")
      ->option_text(" ");
  app.add_flag("-0,--null", o.null_separated,
               "Paths in a LIST end with a NUL byte instead of a newline");
  CLI::Option* output =
      app.add_option("-o,--output", o.output, "Write to FILE, replacing it (default: standard output)")
          ->check(NonEmptyPath())
          ->option_text("FILE");
  app.add_flag("-a,--append", o.append,
               "Append to the --output file instead of replacing it")
      ->needs(output);
  bool doubles = false;
  app.add_flag("--double", doubles, "Write the double form instead of TinyInt (vexlor -TI 0)");
  AddDistortionOptions(app, &o.distortion);
  AddLoadOptions(app, &o.load);
  AddJobsOption(app, &o.jobs);
  app.add_flag("-q,--quiet", o.quiet, "No progress display on standard error");
  app.add_flag("--no-reasons", o.no_reasons,
               "Do not tell why each bad icon is bad (the summary line stays)");
  app.add_flag("-e,--error-on-bad", o.error_on_bad,
               "Exit with status 3 when some icon gave \"Bad Icon\"");
  app.set_version_flag("--version", std::string("vexlor-batch ") + VEXLOR_VERSION);

  if (const std::optional<int> exit = ParseCommandLine(app, argc, argv, "vexlor-batch"))
    return {std::nullopt, *exit};
  o.form = doubles ? RecordForm::kDouble : RecordForm::kTinyInt;
  return {o, kExitSuccess};
}

}  // namespace vexlor
