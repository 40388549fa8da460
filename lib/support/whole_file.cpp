#include "support/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vexlor {

namespace {

// The errno of the write that failed (EIO for one that wrote nothing), or 0.
int WriteAllOrErrno(int fd, const void* data, std::size_t size) {
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

Status Failed(int error) { return Status::IOError(std::strerror(error)); }

}  // namespace

Status WriteAll(int fd, const void* data, std::size_t size) {
  const int failure = WriteAllOrErrno(fd, data, size);
  return failure == 0 ? Status() : Failed(failure);
}

Status WriteWholeFile(const std::string& path, const void* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Failed(errno);
  int failure = WriteAllOrErrno(fd, data, size);
  if (failure != 0) (void)!::ftruncate(fd, 0);
  if (::close(fd) != 0 && failure == 0 && errno != EINTR) failure = errno;
  return failure == 0 ? Status() : Failed(failure);
}

namespace {

// The path that `path` names once its symbolic links are followed (as the
// kernel follows them, at most 40), or "" for a loop.
std::string ThroughLinks(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    path = target.starts_with('/') || slash == std::string::npos
               ? target
               : path.substr(0, slash + 1) + target;
  }
  return "";
}

}  // namespace

Status ReplaceWholeFile(const std::string& link, const void* data, std::size_t size) {
  return ReplaceWholeFileWith(link, [&](int fd) { return WriteAll(fd, data, size); });
}

Status ReplaceWholeFileWith(const std::string& link, const std::function<Status(int fd)>& write) {
  const std::string path = ThroughLinks(link);
  if (path.empty()) return Failed(ELOOP);
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return Status::IOError("not a regular file");
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string temp = folder + (slash == std::string::npos ? "/" : "") + ".vexlor-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return Failed(errno);
  // The mode a new file gets (mkstemp makes it 0600).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  int failure = ::fchmod(fd, 0666 & ~mask) != 0 ? errno : 0;
  Status written = failure == 0 ? write(fd) : Failed(failure);
  // Space that a file system hands out late shows here, not at write().
  if (written.ok() && ::fsync(fd) != 0) written = Failed(errno);
  if (::close(fd) != 0 && written.ok() && errno != EINTR) written = Failed(errno);
  if (written.ok() && ::rename(temp.c_str(), path.c_str()) != 0) written = Failed(errno);
  if (!written.ok()) ::unlink(temp.c_str());
  return written;
}

}  // namespace vexlor
