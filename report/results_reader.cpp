#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "vexlor/results_file.h"

namespace vexlor {

namespace {

// Parses one record line (without its newline) into `row`; returns why not.
std::string ParseRecord(std::string_view line, double* row) {
  size_t count = 0;
  while (!line.empty()) {
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return "the last number is not followed by a blank";
    if (blank == 0) return "two blanks in a row";
    if (count == record_token_count)
      return "more than " + std::to_string(record_token_count) + " numbers";
    double value = 0;
    const char* end = line.data() + blank;
    const auto [ptr, error] = std::from_chars(line.data(), end, value);
    if (error != std::errc() || ptr != end || !std::isfinite(value))
      return "'" + std::string(line.substr(0, blank)) + "' is no number";
    row[count++] = value;
    line.remove_prefix(blank + 1);
  }
  if (count != record_token_count)
    return std::to_string(count) + " numbers where a record has " +
           std::to_string(record_token_count);
  return "";
}

}  // namespace

Status ReadResults(const std::string& path, ResultsTable* table) {
  *table = {};
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return Status::IOError("cannot open '" + path + "': " + std::strerror(errno));
  char* buffer = nullptr;
  size_t capacity = 0;
  std::unique_ptr<char*, void (*)(char**)> owner(&buffer, [](char** b) { std::free(*b); });
  size_t number = 0;
  for (ssize_t length; (length = ::getline(&buffer, &capacity, file.get())) >= 0;) {
    ++number;
    std::string_view line(buffer, static_cast<size_t>(length));
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    const size_t at = table->values.size();
    table->values.resize(at + record_token_count, std::nan(""));
    if (line == kBadIcon) {
      table->bad.push_back(1);
      continue;
    }
    const std::string why = ParseRecord(line, table->values.data() + at);
    if (!why.empty())
      return Status::InvalidArgument(path + ":" + std::to_string(number) +
                                     ": no record and not \"Bad Icon\": " + why);
    table->bad.push_back(0);
  }
  if (std::ferror(file.get()))
    return Status::IOError("cannot read '" + path + "': " + std::strerror(errno));
  return {};
}

}  // namespace vexlor
