#include "report/results_file.h"

#include "descriptors/descriptors.h"
#include "report/output_file.h"
#include "report/record_format.h"

bool WriteRecordToFile(const char* path, bool append, std::string_view record,
                       std::string* error) {
  OutputFile file;
  if (!file.Open(path, append, error)) return false;
  std::string text(record);
  if (append) text.push_back('\n');
  const bool written = file.Write(text, error);
  // Report the first failure, but always close.
  std::string closeError;
  const bool closed = file.Close(&closeError);
  if (written && !closed) *error = closeError;
  return written && closed;
}

bool WriteMessageToFile(const char* path, bool append, const char* message,
                        std::string* error) {
  return WriteRecordToFile(path, append, message, error);
}

bool Descriptors::WriteToFile(const char* path, bool append, bool tinyInt,
                              std::string* error) const {
  return WriteRecordToFile(path, append, FormatRecord(*this, tinyInt), error);
}
