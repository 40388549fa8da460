#include "app/groups_options.h"

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "app/command_line.h"
#include "process/exit_codes.h"

namespace vexlor {

ParsedGroupsOptions ParseGroupsOptions(int argc, const char* const* argv) {
  GroupsOptions o;
  CLI::App app(
      "Groups the records of a data set by artwork: copies of one icon (resized,\n"
      "recompressed, slightly blurred or recoloured) and its sizes that look alike.\n"
      "DATA is a data set that vexlor-batch -o made (its names and settings beside it).\n"
      "Prints one line per line of DATA, in its order: GROUP<TAB>NAME, groups numbered\n"
      "from 1 in the order of their first line, a record with no other of its artwork\n"
      "alone in its group, - for a \"Bad Icon\" line. Two records are linked when one is\n"
      "among the other's 10 nearest by the root distance and that distance plus W times\n"
      "their icons' signature distance (64-bit, of where each icon is light and dark;\n"
      "each icon is measured again for it; only the bits steady in both, those not near\n"
      "the median, where no grey cell is more than 2 apart) is at most M, and their\n"
      "grey maps (8 x 8 cells) do not differ in places: a cell by more than G while 49\n"
      "of the 64 stay within 4, or (by default) a cell by more than 8 while 54 stay\n"
      "within 1, and their colour maps (4 x 4 cells of red-green and yellow-blue) have\n"
      "no cell more than 50 apart. A chain of more than 11 linked records is cut where\n"
      "it joins pictures whose majority signatures differ by D bits or more, or whose\n"
      "median grey maps differ in places, at the weakest links; by default, parts whose\n"
      "maps differ by the second, faint rule never join, not even through a third alike\n"
      "each. Then two groups drawn at no common size (as loaded; each size held by at\n"
      "least 1% of the icons; a record that is a larger one of its group scaled down,\n"
      "signatures at most 8 bits and grey cells at most 16 apart, tells no size drawn)\n"
      "join, as one icon drawn at other sizes, when each is the other's nearest such\n"
      "group, within M by the root distance, with signatures at most 20 bits apart,\n"
      "or when one has no such nearest group and the other is the nearest group whose\n"
      "nearest it is, with signatures at most 8 bits apart; and no two of their\n"
      "records of one size look drawn from one source (16 x 16 grey maps: fewer than\n"
      "60 of 256 cells more than 1 apart, or a cell more than 24 apart while 176 stay\n"
      "within 4); again until none is left. Last, a group holding\n"
      "two icons of one size, one among the other's 10 nearest, alike but for a detail\n"
      "(16 x 16 grey maps: a cell more than 8 apart while 230 of 256 stay within 1, as\n"
      "a calendar's days) is made again from its nearest pairs, never joining two such\n"
      "siblings.\n"
      "W, M, D, G: 2, 20, 4, 16; --strict 2, 16, 3, 10; --loose 1.5, 20, 6, 24",
      "vexlor-groups");
  app.add_option("DATA", o.data, "The data set")->required();
  bool strict = false, loose = false;
  auto* strictFlag = app.add_flag("--strict", strict, "Fewer look-alikes joined, fewer copies found");
  app.add_flag("--loose", loose, "More copies found, more look-alikes joined")->excludes(strictFlag);
  app.add_option("--html", o.html,
                 "Also write the groups of more than one record as one self-contained\n"
                 "page, largest first, their icons side by side with their names")
      ->check(NonEmptyPath())
      ->option_text("FILE");
  AddIndexOption(app, &o.index);
  AddJobsOption(app, &o.jobs);
  app.set_version_flag("--version", std::string("vexlor-groups ") + VEXLOR_VERSION);
  if (const std::optional<int> exit = ParseCommandLine(app, argc, argv, "vexlor-groups"))
    return {std::nullopt, *exit};
  if (strict) o.rule = kStrictGroups;
  if (loose) o.rule = kLooseGroups;
  return {o, kExitSuccess};
}

}  // namespace vexlor
