#include "icon/svg_exchange.h"

#include <unistd.h>

#include <cerrno>

namespace vexlor {

bool ReadExactly(int fd, void* data, std::size_t size) {
  char* next = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = ::read(fd, next, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    next += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace vexlor
