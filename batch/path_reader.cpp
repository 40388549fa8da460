#include "batch/path_reader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

std::optional<std::string> PathReader::Next() {
  char* line = nullptr;
  size_t capacity = 0;
  errno = 0;
  const ssize_t length = ::getdelim(&line, &capacity, separator_, stream_);
  std::unique_ptr<char, decltype(&std::free)> owner(line, std::free);
  if (length < 0) {
    if (std::ferror(stream_)) error_ = errno != 0 ? errno : EIO;
    return std::nullopt;
  }
  size_t size = static_cast<size_t>(length);
  if (size > 0 && line[size - 1] == separator_) --size;
  return std::string(line, size);
}

long long CountPaths(const char* path, bool nulSeparated) {
  struct stat st;
  if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file) return -1;
  const char separator = nulSeparated ? '\0' : '\n';
  long long count = 0;
  char last = separator;
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
    for (size_t i = 0; i < n; ++i)
      if (buffer[i] == separator) ++count;
    last = buffer[n - 1];
  }
  if (last != separator) ++count;
  return count;
}
