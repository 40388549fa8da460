#include "search/data_set_groups.h"

#include <optional>

#include "descriptors/icon_signature.h"
#include "descriptors/measure.h"
#include "support/parallel_for.h"

namespace vexlor {

DataSetGroups GroupsOfDataSet(const DescriptorTable& data,
                              const std::function<std::string(std::size_t)>& icon_of,
                              const LoadSettings& load, const Distortion& distortion,
                              const RecordIndex* index, const GroupingRule& rule,
                              unsigned jobs) {
  DataSetGroups out;
  out.failures.resize(data.size());
  std::vector<std::optional<std::uint64_t>> signatures(data.size());
  ParallelFor(data.size(), jobs, [&](std::size_t row) {
    if (data.bad(row)) return;
    NormalisedIcon seen;
    const Status status = NormaliseIconFile(icon_of(row), load, distortion, &seen);
    if (status.ok())
      signatures[row] = IconSignature(seen);
    else
      out.failures[row] = status.message();
  });
  for (const std::string& why : out.failures) out.failed += why.empty() ? 0 : 1;
  const std::size_t k = kGroupNeighbours + 1;  // a row is its own nearest
  out.groups = GroupRows(
      data, signatures,
      [&](std::size_t row) {
        return index != nullptr ? index->Nearest(data, row, k) : Nearest(data, data, row, k, Metric::kRoot);
      },
      rule, jobs);
  return out;
}

}  // namespace vexlor
