#include "decode/file_bytes.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vexlor {

bool ReadWholeSmallFile(std::FILE* file, std::vector<std::uint8_t>* bytes) {
  const int fd = ::fileno(file);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
      static_cast<std::uint64_t>(st.st_size) > kWholeFileLimit)
    return false;
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  bytes->resize(size);
  // pread: the stream's own position and buffer stay as they were.
  const ssize_t got = ::pread(fd, bytes->data(), size, 0);
  return got >= 0 && static_cast<std::size_t>(got) == size;
}

}  // namespace vexlor
