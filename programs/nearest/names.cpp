#include "nearest/names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vexlor {

Status Names::Read(const std::string& path, bool null_separated) {
  text_.clear();
  ends_.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::IOError("cannot open '" + path + "': " + std::strerror(errno));
  struct stat st{};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) text_.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[1 << 16];
  const char separator = null_separated ? '\0' : '\n';
  std::size_t sinceSeparator = 0;  // bytes of the name being read so far
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      return Status::IOError("cannot read '" + path + "': " + std::strerror(error));
    }
    if (got == 0) break;
    // A name has at most kMaxNameLength bytes: a file without separators (a
    // device, the wrong file) is refused early instead of read on without end.
    const char* last = static_cast<const char*>(::memrchr(buffer, separator, static_cast<std::size_t>(got)));
    sinceSeparator = last != nullptr ? static_cast<std::size_t>(buffer + got - last - 1)
                                     : sinceSeparator + static_cast<std::size_t>(got);
    if (sinceSeparator > kMaxNameLength) {
      ::close(fd);
      const std::size_t line =
          static_cast<std::size_t>(std::count(text_.begin(), text_.end(), separator)) +
          static_cast<std::size_t>(std::count(buffer, buffer + got, separator)) + 1;
      return Status::InvalidArgument(path + ":" + std::to_string(line) + ": name " +
                                     std::to_string(line) + " is too long: more than " +
                                     std::to_string(kMaxNameLength) + " bytes");
    }
    text_.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  // The separators stay in the text: name i runs from after separator i - 1
  // to separator i (or the end).
  ends_.reserve(static_cast<std::size_t>(std::count(text_.begin(), text_.end(), separator)) + 1);
  for (std::size_t at = 0; at < text_.size(); ++at)
    if (text_[at] == separator) ends_.push_back(at);
  if (!text_.empty() && text_.back() != separator) ends_.push_back(text_.size());
  return {};
}

}  // namespace vexlor
