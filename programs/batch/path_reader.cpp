#include "batch/path_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/line_count.h"

namespace vexlor {

bool PathReader::Fill() {
  if (at_end_ || error_ != 0) return false;
  if (begin_ == end_) {
    begin_ = end_ = 0;
  } else if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (before_wait_) {
    struct pollfd ready = {fd_, POLLIN, 0};
    if (::poll(&ready, 1, 0) == 0) before_wait_();
  }
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = errno;
      return false;
    }
    if (n == 0) {
      at_end_ = true;
      return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
  }
}

Status PathReader::Prime() {
  if (end_ == begin_) Fill();
  return status();
}

Status PathReader::status() const {
  return error_ == 0 ? Status() : Status::IOError(std::strerror(error_));
}

std::optional<std::string> PathReader::Next() {
  std::string path;
  bool overlong = false;
  for (;;) {
    const char* begin = buffer_.data() + begin_;
    const void* found = std::memchr(begin, separator_, end_ - begin_);
    const size_t length =
        found != nullptr ? static_cast<const char*>(found) - begin : end_ - begin_;
    if (!overlong) {
      path.append(begin, length);
      if (path.size() > kMaxPathBytes) {
        path.resize(kMaxPathBytes + 1);
        overlong = true;
      }
    }
    if (found != nullptr) {
      begin_ += length + 1;
      return path;
    }
    begin_ = end_;
    const bool started = !path.empty();
    if (!Fill()) {
      if (error_ != 0 || !started) return std::nullopt;
      return path;
    }
  }
}

long long CountPaths(const char* path, bool nulSeparated) {
  std::size_t paths = 0;
  if (!CountLinesOf(path, nulSeparated ? '\0' : '\n', &paths).ok()) return -1;
  return static_cast<long long>(paths);
}

}  // namespace vexlor
