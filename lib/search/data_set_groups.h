#ifndef VEXLOR_SEARCH_DATA_SET_GROUPS_H_
#define VEXLOR_SEARCH_DATA_SET_GROUPS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "search/groups.h"
#include "search/record_index.h"
#include "vexlor/distortion.h"

namespace vexlor {

struct DataSetGroups {
  std::vector<std::size_t> groups;    // as GroupRows numbers them
  std::vector<std::string> failures;  // a row's reason its icon could not be loaded again, or ""
};

struct IconLooks {
  std::vector<std::optional<IconLook>> looks;  // none for a bad row or a failed icon
  std::vector<std::string> failures;  // a row's reason its icon could not be loaded again, or ""
};

// The look (descriptors/icon_signature.h: signature, maps and size) of each good row's icon,
// `icon_of(row)`, loaded again with `load` and `distortion` as its record
// was made; `bad(row)` says which rows are "Bad Icon" lines, which are not
// loaded. On `jobs` threads. Never throws but std::bad_alloc.
IconLooks LooksOfIcons(std::size_t rows, const std::function<bool(std::size_t)>& bad,
                       const std::function<std::string(std::size_t)>& icon_of,
                       const LoadSettings& load, const Distortion& distortion, unsigned jobs);

// The groups of the same artwork among the rows of a data set, as
// vexlor-groups prints them and vexlor.groups returns them. Each good row's
// look comes from LooksOfIcons; a row whose icon no longer loads
// keeps a reason and is a group of its own. Rows
// are linked by GroupRows over their kGroupNeighbours nearest, found through
// `index` when one is given (an index of `data`), else by exact search.
// `data` is prepared for the root metric. Never throws but std::bad_alloc.
DataSetGroups GroupsOfDataSet(const DescriptorTable& data,
                              const std::function<std::string(std::size_t)>& icon_of,
                              const LoadSettings& load, const Distortion& distortion,
                              const RecordIndex* index, const GroupingRule& rule,
                              unsigned jobs);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_DATA_SET_GROUPS_H_
