#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/quoted.h"
#include "vexlor/nearest.h"
#include "vexlor/results_file.h"

namespace vexlor {

namespace {

// What a line that a program other than vexlor wrote or changed likely has,
// said plainly rather than as the first token that does not parse.
std::string Foreign(std::string_view line) {
  if (line.starts_with("\xEF\xBB\xBF")) return "it starts with a byte-order mark";
  if (line.ends_with('\r')) return "it ends with a carriage return (Windows line ends?)";
  if (line.find('\t') != std::string_view::npos) return "a tab where numbers are separated by blanks";
  if (line.starts_with(' ')) return "it starts with a blank";
  return "";
}

// Parses one record line (without its newline) into `row`; returns why not.
std::string ParseRecord(std::string_view line, double* row) {
  if (std::string foreign = Foreign(line); !foreign.empty()) return foreign;
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
      return "'" + Quoted(line.substr(0, blank), 40) + "' is no number";
    row[count++] = value;
    line.remove_prefix(blank + 1);
  }
  if (count != record_token_count)
    return std::to_string(count) + " numbers where a record has " +
           std::to_string(record_token_count);
  return "";
}

}  // namespace

Status ForEachResultsLine(
    const std::string& path,
    const std::function<Status(std::size_t number, const double* values)>& line) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return Status::IOError("cannot open '" + path + "': " + std::strerror(errno));
  // Read in large blocks, lines found with memchr: reading a byte at a time
  // cost more than parsing the numbers.
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  std::vector<char> buffer(kBlock + kMaxResultsLine + 1);
  std::size_t begin = 0, end = 0;
  bool atEnd = false;
  double row[record_token_count];
  size_t number = 0;
  for (;;) {
    const char* start = buffer.data() + begin;
    const char* newline = static_cast<const char*>(std::memchr(start, '\n', end - begin));
    if (newline == nullptr && !atEnd) {
      // A file without line ends (a device, a damaged file) is refused at its
      // first kMaxResultsLine bytes instead of being read on without end.
      if (end - begin > kMaxResultsLine)
        return Status::InvalidArgument(path + ":" + std::to_string(number + 1) + ": line " +
                                       std::to_string(number + 1) + " is too long: more than " +
                                       std::to_string(kMaxResultsLine) + " bytes");
      std::memmove(buffer.data(), start, end - begin);
      end -= begin;
      begin = 0;
      const std::size_t got = std::fread(buffer.data() + end, 1, buffer.size() - end, file.get());
      end += got;
      atEnd = got == 0;
      continue;
    }
    const std::size_t length = newline != nullptr ? static_cast<std::size_t>(newline - start)
                                                  : end - begin;
    if (newline == nullptr && length == 0) break;
    if (length > kMaxResultsLine)
      return Status::InvalidArgument(path + ":" + std::to_string(number + 1) + ": line " +
                                     std::to_string(number + 1) + " is too long: more than " +
                                     std::to_string(kMaxResultsLine) + " bytes");
    begin += length + (newline != nullptr ? 1 : 0);
    ++number;
    const std::string_view text(start, length);
    const bool bad = text == kBadIcon;
    if (!bad) {
      const std::string why = ParseRecord(text, row);
      if (!why.empty())
        return Status::InvalidArgument(path + ":" + std::to_string(number) +
                                       ": no record and not \"Bad Icon\": " + why);
    }
    Status status = line(number, bad ? nullptr : row);
    if (!status.ok()) return status;
    if (newline == nullptr) break;
  }
  if (std::ferror(file.get()))
    return Status::IOError("cannot read '" + path + "': " + std::strerror(errno));
  return {};
}

Status ReadResults(const std::string& path, ResultsTable* table) {
  *table = {};
  std::optional<RecordForm> form;
  return ForEachResultsLine(path, [&](size_t number, const double* values) {
    if (values != nullptr)
      if (Status status = CheckRecord(values, &form); !status.ok())
        return Status::InvalidArgument(path + ":" + std::to_string(number) + ": " +
                                       status.message());
    const size_t at = table->values.size();
    table->values.resize(at + record_token_count, std::nan(""));
    if (values != nullptr) std::copy(values, values + record_token_count, &table->values[at]);
    table->bad.push_back(values == nullptr);
    return Status();
  });
}

}  // namespace vexlor
