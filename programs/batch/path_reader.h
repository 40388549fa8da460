#ifndef VEXLOR_BATCH_PATH_READER_H_
#define VEXLOR_BATCH_PATH_READER_H_

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vexlor/status.h"

namespace vexlor {

// Reads icon paths from a file descriptor, one per line (or NUL-terminated
// with `nulSeparated`). Every separator ends a path, and so does the end of
// the input when text is left before it; an empty line is an empty path.
// Paths are taken byte for byte: no blanks or carriage returns are stripped.
//
// A line longer than any path can be (kMaxPathBytes) is cut to
// kMaxPathBytes + 1 bytes, which no file can match, and the rest of it is
// skipped without being held in memory.
class PathReader {
 public:
  static constexpr size_t kMaxPathBytes = 4096;

  PathReader(int fd, bool nulSeparated) : fd_(fd), separator_(nulSeparated ? '\0' : '\n') {}

  // Called before the reader waits for input that has not arrived yet (a
  // pipe whose writer is slow): the moment to pass on what is done.
  void set_before_wait(std::function<void()> hook) { before_wait_ = std::move(hook); }

  // The next path, or nullopt at the end of the input or on a read error
  // (then status() says why).
  std::optional<std::string> Next();
  // Reads the first block of input now, so that an unreadable list (a
  // folder, say) is known before anything else is done.
  Status Prime();

  // What has been read and not yet taken (after Prime(): the first block).
  std::string_view buffered() const {
    return std::string_view(buffer_.data() + begin_, end_ - begin_);
  }

  // kIOError ("<reason>") once a read failed.
  Status status() const;

 private:
  // Reads more input into the buffer; false at the end or on an error.
  bool Fill();

  int fd_;
  char separator_;
  std::vector<char> buffer_ = std::vector<char>(1 << 16);
  size_t begin_ = 0, end_ = 0;
  bool at_end_ = false;
  int error_ = 0;
  std::function<void()> before_wait_;
};

// Counts the paths in the regular file `path` without keeping them; -1 when
// it is no regular file or cannot be read.
long long CountPaths(const char* path, bool nulSeparated);

}  // namespace vexlor

#endif  // VEXLOR_BATCH_PATH_READER_H_
