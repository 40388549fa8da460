#include "report/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace vexlor {

int WriteAll(int fd, const void* data, std::size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, next, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : EIO;
    next += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

int WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int failure = WriteAll(fd, data, size);
  if (failure != 0) (void)!::ftruncate(fd, 0);
  if (::close(fd) != 0 && failure == 0 && errno != EINTR) failure = errno;
  return failure;
}

}  // namespace vexlor
