#include "vexlor/results_file.h"

#include <string>

#include "report/output_file.h"

namespace vexlor {

namespace {

// One record, with its newline in append mode, in one write.
Status WriteRecordToFile(const std::string& path, bool append, std::string_view record) {
  OutputFile file;
  Status status = file.Open(path, append);
  if (!status.ok()) return status;
  std::string text(record);
  if (append) text.push_back('\n');
  status = file.Write(text);
  // Report the first failure, but always close.
  const Status closed = file.Close();
  return status.ok() ? closed : status;
}

}  // namespace

Status WriteMessageToFile(const std::string& path, bool append, std::string_view message) {
  return WriteRecordToFile(path, append, message);
}

Status WriteToFile(const Descriptors& descriptors, const std::string& path, bool append,
                   RecordForm form) {
  return WriteRecordToFile(path, append, RecordLine(descriptors, form));
}

}  // namespace vexlor
