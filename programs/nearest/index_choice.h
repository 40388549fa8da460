#ifndef VEXLOR_NEAREST_INDEX_CHOICE_H_
#define VEXLOR_NEAREST_INDEX_CHOICE_H_

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "search/record_index.h"
#include "search/table_file.h"
#include "vexlor/nearest.h"

namespace vexlor {

// How the records are searched: through DATA's index (search/record_index.h,
// built and kept beside DATA when it has none that matches) when that pays,
// always, or never (exactly).
enum class IndexUse { kAuto, kAlways, kNever };

// The index to search `data` (read from `data_path` in state `read_from`,
// prepared for `metric`) through for `queries` queries, or null for exact
// search; an index that could not be read or kept is told on `messages`
// after "PROGRAM: ". kInvalidArgument when one is asked for where none
// serves (another metric, double records).
Status IndexToUse(IndexUse use, const std::string& data_path, const DataState& read_from,
                  const DescriptorTable& data, Metric metric, std::size_t queries, unsigned jobs,
                  const char* program, std::FILE* messages, std::unique_ptr<RecordIndex>* index);

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_INDEX_CHOICE_H_
