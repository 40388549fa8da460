#include "nearest/groups_run.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "nearest/answer_page.h"
#include "nearest/name_text.h"
#include "nearest/names.h"
#include "process/exit_codes.h"
#include "process/standard_streams.h"
#include "record/data_set.h"
#include "search/data_set_groups.h"
#include "support/parallel_for.h"
#include "support/whole_file.h"

namespace vexlor {

namespace {

// The page of the groups of more than one record, largest first (equal
// sizes in the order of their numbers), written whole to o.html.
Status WriteGroupsPage(const GroupsOptions& o, const DataSetManifest& manifest, const Names& names,
                       const std::vector<std::size_t>& groups) {
  std::vector<PageGroup> page;
  std::vector<std::size_t> indexOf;  // group number -> place in `page` + 1
  for (std::size_t row = 0; row < groups.size(); ++row) {
    if (groups[row] == 0) continue;
    if (indexOf.size() <= groups[row]) indexOf.resize(groups[row] + 1, 0);
    std::size_t& at = indexOf[groups[row]];
    if (at == 0) {
      page.push_back({groups[row], {}});
      at = page.size();
    }
    page[at - 1].members.push_back({std::string(names[row]), ""});
  }
  std::erase_if(page, [](const PageGroup& g) { return g.members.size() < 2; });
  std::stable_sort(page.begin(), page.end(), [](const PageGroup& a, const PageGroup& b) {
    return a.members.size() > b.members.size();
  });
  std::vector<std::size_t> sizes;
  for (const PageGroup& g : page) sizes.push_back(g.members.size());
  const PageExtent extent = PageExtentOf(sizes);
  std::vector<PageMember*> shown;
  for (std::size_t g = 0; g < extent.shown.size(); ++g)
    for (std::size_t m = 0; m < extent.shown[g]; ++m) shown.push_back(&page[g].members[m]);
  ParallelFor(shown.size(), o.jobs,
              [&](std::size_t i) { shown[i]->picture = MeasuredPicture(shown[i]->name, manifest.load); });
  const std::string text = GroupsPage(o.data, groups.size(), page);
  if (const Status written = ReplaceWholeFile(o.html, text.data(), text.size()); !written.ok())
    return Status::IOError("cannot write the page '" + o.html + "': " + written.message());
  return {};
}

}  // namespace

int RunGroups(const GroupsOptions& o, std::FILE* messages) {
  auto fail = [messages](const Status& status, int code = kExitFailed) {
    std::fprintf(messages, "vexlor-groups: %s\n", status.message().c_str());
    return code;
  };
  std::optional<DataSetManifest> manifest;
  if (Status s = ReadManifest(o.data, &manifest); !s.ok()) return fail(s);
  if (!manifest)
    return fail(Status::InvalidArgument("'" + o.data + "' has no manifest (" + ManifestPathOf(o.data) +
                                        "): vexlor-groups groups a data set that vexlor-batch -o "
                                        "made, whose names and settings are beside it"),
                kExitBadArguments);
  const DataState dataState = DataStateOf(o.data);
  DescriptorTable data;
  if (Status s = ReadDescriptorTable(o.data, &data); !s.ok()) return fail(s);
  Names names;
  const std::string namesPath = NamesPathOf(o.data);
  if (Status s = names.Read(namesPath, manifest->nul_names); !s.ok()) return fail(s);
  if (names.size() != data.size())
    return fail(Status::InvalidArgument(namesPath + ": " + std::to_string(names.size()) +
                                        " names for the " + std::to_string(data.size()) +
                                        " lines of '" + o.data + "'"));
  data.PrepareFor(Metric::kRoot);

  std::unique_ptr<RecordIndex> index;
  if (Status s = IndexToUse(o.index, o.data, dataState, data, Metric::kRoot, data.usable(), o.jobs,
                            "vexlor-groups", messages, &index);
      !s.ok())
    return fail(s, s.code() == Status::Code::kInvalidArgument ? kExitBadArguments : kExitFailed);
  const DataSetGroups grouped = GroupsOfDataSet(
      data, [&](std::size_t row) { return std::string(names[row]); }, manifest->load,
      manifest->distortion, index.get(), o.rule, o.jobs);
  const std::vector<std::size_t>& groups = grouped.groups;

  std::string out;
  for (std::size_t row = 0; row < groups.size(); ++row) {
    out += groups[row] == 0 ? std::string("-") : std::to_string(groups[row]);
    out += '\t';
    AppendName(&out, names[row]);
    out += '\n';
    if (out.size() >= (1 << 16) || row + 1 == groups.size()) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  if (Status s = CheckStandardOutput(!groups.empty()); !s.ok()) return fail(s);
  if (!o.html.empty())
    if (Status s = WriteGroupsPage(o, *manifest, names, groups); !s.ok()) return fail(s);
  const auto told = [](const std::string& why) { return !why.empty(); };
  if (const auto failed = std::count_if(grouped.failures.begin(), grouped.failures.end(), told)) {
    const std::string& first = *std::find_if(grouped.failures.begin(), grouped.failures.end(), told);
    return fail(Status::IOError(std::to_string(failed) + (failed == 1 ? " icon" : " icons") +
                                " could not be measured again for the signature, and each is a "
                                "group of its own; the first: " + first));
  }
  return kExitSuccess;
}

}  // namespace vexlor
