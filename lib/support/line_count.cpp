#include "support/line_count.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace vexlor {

Status CountLinesOf(const std::string& path, char separator, std::size_t* lines) {
  *lines = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       std::fclose);
  if (!file) return Status::IOError(std::strerror(errno));
  struct stat st;
  if (::fstat(::fileno(file.get()), &st) != 0) return Status::IOError(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return Status::IOError("not a regular file");
  std::vector<char> block(std::size_t{1} << 20);
  char last = separator;
  for (std::size_t n; (n = std::fread(block.data(), 1, block.size(), file.get())) > 0;) {
    const char* end = block.data() + n;
    for (const char* at = block.data();
         (at = static_cast<const char*>(std::memchr(at, separator, end - at))) != nullptr; ++at)
      ++*lines;
    last = end[-1];
  }
  if (std::ferror(file.get())) return Status::IOError(std::strerror(errno));
  if (last != separator) ++*lines;
  return {};
}

}  // namespace vexlor
