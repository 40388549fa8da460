#include "search/data_set_groups.h"

#include <optional>

#include "descriptors/icon_signature.h"
#include "descriptors/measure.h"
#include "support/parallel_for.h"

namespace vexlor {

IconLooks LooksOfIcons(std::size_t rows, const std::function<bool(std::size_t)>& bad,
                       const std::function<std::string(std::size_t)>& icon_of,
                       const LoadSettings& load, const Distortion& distortion, unsigned jobs) {
  IconLooks out;
  out.looks.resize(rows);
  out.failures.resize(rows);
  ParallelFor(rows, jobs, [&](std::size_t row) {
    if (bad(row)) return;
    NormalisedIcon seen;
    int width = 0, height = 0;
    const Status status = NormaliseIconFile(icon_of(row), load, distortion, &seen, &width, &height);
    if (status.ok())
      out.looks[row] = LookOfIcon(seen, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    else
      out.failures[row] = status.message();
  });
  return out;
}

DataSetGroups GroupsOfDataSet(const DescriptorTable& data,
                              const std::function<std::string(std::size_t)>& icon_of,
                              const LoadSettings& load, const Distortion& distortion,
                              const RecordIndex* index, const GroupingRule& rule,
                              unsigned jobs) {
  const auto bad = [&](std::size_t row) { return data.bad(row); };
  IconLooks seen = LooksOfIcons(data.size(), bad, icon_of, load, distortion, jobs);
  DataSetGroups out;
  out.failures = std::move(seen.failures);
  const std::size_t k = kGroupNeighbours + 1;  // a row is its own nearest
  out.groups = GroupRows(
      data.size(), bad, seen.looks,
      [&](std::size_t row) {
        return index != nullptr ? index->Nearest(data, row, k) : Nearest(data, data, row, k, Metric::kRoot);
      },
      rule, jobs);
  return out;
}

}  // namespace vexlor
