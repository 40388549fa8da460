#include "app/nearest_options.h"

#include <cstdio>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "app/command_line.h"
#include "process/exit_codes.h"
#include "support/quoted.h"

namespace vexlor {

ParsedNearestOptions ParseNearestOptions(int argc, const char* const* argv) {
  NearestOptions o;

  CLI::App app(
      "Finds the records of a data set nearest to each query. DATA is a results file of\n"
      "either form, as vexlor or vexlor-batch writes it; line i of NAMES names its\n"
      "record i (\"Bad Icon\" lines keep their place and are never found). The queries are\n"
      "ICONs, measured in DATA's form, or the lines of a results file (--records).\n"
      "Prints query, rank, distance and name, tab-separated, nearest first; equal\n"
      "distances keep DATA's order; a backslash, tab, newline or CR in a name prints as\n"
      "\\\\, \\t, \\n or \\r, another control byte as \\xNN. Metrics, over the first 208\n"
      "numbers a and b:\n"
      "  l1        sum |a-b|\n"
      "  l2        square root of sum (a-b)^2\n"
      "  weighted  sum w|a-b| over the 168 rectangle values, w the record's weights,\n"
      "            plus (sum |a-b| over the 40 group values) / the records' range\n"
      "  root      sum |T(a)-T(b)|, T: every orientation histogram (cells and groups)\n"
      "            divided by its sum, then square-rooted; each Lab sum v as w sqrt(v/full),\n"
      "            w 2.5 for L, 1.5 for a, 3 for b",
      "vexlor-nearest");
  app.add_option("DATA", o.data, "Results file to search")->required();
  app.add_option(
      "NAMES ICON", o.operands,
      "NAMES, the names of DATA's lines (one per line), unless DATA is a data set\n"
      "that vexlor-batch -o made, whose names are its own; then the icon files to\n"
      "search for");
  app.add_option("--records", o.records, "Results file whose lines are the queries")
      ->option_text("FILE");
  app.add_option("-k", o.k, "How many nearest records to list per query (default 5)")
      ->check(CLI::Range(std::size_t{1}, std::size_t{1} << 20));
  // Any case, as the module takes it; a name that is none is said plainly.
  app.add_option_function<std::string>(
         "--metric",
         [&o](const std::string& name) {
           const std::optional<Metric> metric = MetricNamed(Lowercase(name));
           if (!metric)
             throw CLI::ValidationError("--metric", "'" + Quoted(name, 40) +
                                                       "' is no metric: root, l1, l2 or weighted");
           o.metric = *metric;
         },
         "root, l1, l2 or weighted (default " + std::string(MetricName(o.metric)) + ")")
      ->option_text("NAME");
  app.add_flag("-0,--null", o.null_separated, "Names in NAMES end with a NUL byte");
  AddLoadOptions(app, &o.load);
  app.add_option("--html", o.html,
                 "Also write the answers as one self-contained page: each query's icon\n"
                 "beside its nearest records' icons, with rank, distance and name")
      ->check(NonEmptyPath())
      ->option_text("FILE");
  AddIndexOption(app, &o.index);
  AddJobsOption(app, &o.jobs);
  app.set_version_flag("--version", std::string("vexlor-nearest ") + VEXLOR_VERSION);

  if (const std::optional<int> exit = ParseCommandLine(app, argc, argv, "vexlor-nearest"))
    return {std::nullopt, *exit};
  return {o, kExitSuccess};
}

}  // namespace vexlor
