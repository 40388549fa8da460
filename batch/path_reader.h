#ifndef VEXLOR_BATCH_PATH_READER_H_
#define VEXLOR_BATCH_PATH_READER_H_

#include <cstdio>
#include <optional>
#include <string>

// Reads icon paths from a stream, one per line (or NUL-terminated with
// `nulSeparated`). Every separator ends a path, and so does the end of the
// stream when text is left before it; an empty line is an empty path. Paths
// are taken byte for byte: no blanks or carriage returns are stripped.
class PathReader {
 public:
  PathReader(std::FILE* stream, bool nulSeparated)
      : stream_(stream), separator_(nulSeparated ? '\0' : '\n') {}

  // The next path, or nullopt at the end of the stream or on a read error
  // (then failed() is true).
  std::optional<std::string> Next();
  bool failed() const { return error_ != 0; }
  // The errno of the failed read.
  int error() const { return error_; }

 private:
  std::FILE* stream_;
  char separator_;
  int error_ = 0;
};

// Counts the paths in the regular file `path` without keeping them; -1 when
// it is no regular file or cannot be read.
long long CountPaths(const char* path, bool nulSeparated);

#endif  // VEXLOR_BATCH_PATH_READER_H_
