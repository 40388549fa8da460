#include "nearest/names.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vexlor {

Status Names::Read(const std::string& path, bool null_separated) {
  text_.clear();
  ends_.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::IOError("cannot open '" + path + "': " + std::strerror(errno));
  const char separator = null_separated ? '\0' : '\n';
  char buffer[1 << 16];
  bool pending = false;  // a name begun and not yet ended
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(fd);
      return Status::IOError("cannot read '" + path + "': " + std::strerror(error));
    }
    if (got == 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] == separator) {
        ends_.push_back(text_.size());
        pending = false;
      } else {
        text_.push_back(buffer[i]);
        pending = true;
      }
    }
  }
  ::close(fd);
  if (pending) ends_.push_back(text_.size());
  text_.shrink_to_fit();
  ends_.shrink_to_fit();
  return {};
}

}  // namespace vexlor
