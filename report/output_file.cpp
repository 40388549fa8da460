#include "report/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Holds an exclusive flock for its lifetime; where the file system has no
// locks, it goes on without one.
class AppendLock {
 public:
  explicit AppendLock(int fd) : fd_(fd) {
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        fd_ = -1;
        break;
      }
    }
  }
  ~AppendLock() {
    if (fd_ >= 0) ::flock(fd_, LOCK_UN);
  }
  AppendLock(const AppendLock&) = delete;
  AppendLock& operator=(const AppendLock&) = delete;

 private:
  int fd_;
};

}  // namespace

OutputFile::~OutputFile() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

std::string OutputFile::Describe(const char* what, int error_number) const {
  return std::string("cannot ") + what + " '" + path_ + "': " + std::strerror(error_number);
}

bool OutputFile::Open(const char* path, bool append, std::string* error) {
  path_ = path;
  append_ = append;
  constexpr mode_t kMode = 0666;  // narrowed by the umask, as fopen does
  if (append) {
    // Read access only serves EndsInsideLine(); a write-only file still works.
    fd_ = ::open(path, O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, kMode);
    if (fd_ < 0 && (errno == EACCES || errno == EPERM))
      fd_ = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kMode);
  } else {
    fd_ = ::open(path, O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, kMode);
  }
  if (fd_ < 0) {
    *error = Describe("open", errno);
    return false;
  }
  owned_ = true;
  return true;
}

void OutputFile::Adopt(int fd, const char* name) {
  fd_ = fd;
  owned_ = false;
  append_ = false;
  path_ = name;
}

bool OutputFile::EndsInsideLine() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;
  char last = '\n';
  // A file opened write-only cannot be read; it is then taken as it is.
  if (::pread(fd_, &last, 1, st.st_size - 1) != 1) return false;
  return last != '\n';
}

bool OutputFile::Write(std::string_view text, std::string* error) {
  if (!append_) return WriteAll(text, error);
  const AppendLock lock(fd_);
  const bool first = !written_;
  written_ = true;
  if (first && EndsInsideLine()) {
    std::string withNewline;
    withNewline.reserve(text.size() + 1);
    withNewline.push_back('\n');
    withNewline.append(text);
    return WriteAll(withNewline, error);
  }
  return WriteAll(text, error);
}

bool OutputFile::WriteAll(std::string_view text, std::string* error) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd_, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      *error = Describe("write", errno);
      return false;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

bool OutputFile::Close(std::string* error) {
  if (!owned_ || fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) {
    *error = Describe("close", errno);
    return false;
  }
  return true;
}
