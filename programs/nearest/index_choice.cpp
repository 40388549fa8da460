#include "nearest/index_choice.h"

namespace vexlor {

Status IndexToUse(IndexUse use, const std::string& data_path, const DataState& read_from,
                  const DescriptorTable& data, Metric metric, std::size_t queries, unsigned jobs,
                  const char* program, std::FILE* messages, std::unique_ptr<RecordIndex>* index) {
  if (use == IndexUse::kNever) return {};
  if (metric != Metric::kRoot || data.form() != RecordForm::kTinyInt) {
    if (use == IndexUse::kAuto) return {};
    return Status::InvalidArgument(
        std::string("--index always serves the root metric over TinyInt records, not ") +
        MetricName(metric) + " over '" + data_path + "'" +
        (data.form() == RecordForm::kDouble ? " (double records)" : ""));
  }
  if (use == IndexUse::kAuto &&
      !IndexPays(data.usable(), queries, RecordIndex::Kept(data_path, read_from, data)))
    return {};
  Status warning;
  if (Status s = LoadOrBuildIndex(data_path, read_from, data, jobs, index, &warning); !s.ok())
    return s;
  if (!warning.ok()) std::fprintf(messages, "%s: %s\n", program, warning.message().c_str());
  return {};
}

}  // namespace vexlor
