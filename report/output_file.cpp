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
class FileLock {
 public:
  FileLock(FileSystem& fs, int fd) : fs_(fs), fd_(fd) {
    while (fs_.Lock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        fd_ = -1;
        break;
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) fs_.Lock(fd_, LOCK_UN);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  FileSystem& fs_;
  int fd_;
};

// O_NONBLOCK: opening a pipe must not wait for a reader; cleared once open.
constexpr int kOpenFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
constexpr mode_t kMode = 0666;  // narrowed by the umask, as fopen does

}  // namespace

OutputFile::~OutputFile() {
  if (owned_ && fd_ >= 0) fs_.Close(fd_);
}

std::string OutputFile::Describe(const char* what, int error_number) const {
  return std::string("cannot ") + what + " '" + path_ + "': " + std::strerror(error_number);
}

bool OutputFile::Open(const char* path, bool append, std::string* error) {
  path_ = path;
  // Read access only serves the check of the last byte.
  int fd = fs_.Open(path, O_RDWR | kOpenFlags, kMode);
  if (fd < 0 && (errno == EACCES || errno == EPERM))
    fd = fs_.Open(path, O_WRONLY | kOpenFlags, kMode);
  struct stat st {};
  if (fd >= 0 && fs_.Status(fd, &st) == 0 && S_ISFIFO(st.st_mode)) {
    // Opened for reading too, the pipe counts us as its reader, and records
    // would vanish unread. Write-only, the open fails when nobody reads.
    fs_.Close(fd);
    fd = fs_.Open(path, O_WRONLY | kOpenFlags, kMode);
    if (fd < 0 && errno == ENXIO) {
      *error = "cannot open '" + path_ + "': no process reads from this pipe";
      return false;
    }
  }
  if (fd < 0) {
    *error = Describe("open", errno);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  owned_ = true;
  regular_ = S_ISREG(st.st_mode);
  truncate_pending_ = !append;
  return true;
}

void OutputFile::Adopt(int fd, const char* name) {
  fd_ = fd;
  owned_ = false;
  path_ = name;
  struct stat st {};
  regular_ = fs_.Status(fd, &st) == 0 && S_ISREG(st.st_mode);
}

off_t OutputFile::WriteStart() const {
  if (!regular_) return -1;
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0 && (flags & O_APPEND) == 0) return ::lseek(fd_, 0, SEEK_CUR);
  struct stat st {};
  return fs_.Status(fd_, &st) == 0 ? st.st_size : -1;
}

bool OutputFile::EmptyIfPending(std::string* error) {
  if (!truncate_pending_) return true;
  truncate_pending_ = false;
  if (regular_ && fs_.Truncate(fd_, 0) != 0) {
    *error = Describe("empty", errno);
    return false;
  }
  return true;
}

bool OutputFile::Write(std::string_view text, std::string* error) {
  if (!owned_) {
    const off_t start = WriteStart();
    if (WriteAll(text, error)) return true;
    if (start >= 0) {
      CutBack(start, error);
      ::lseek(fd_, start, SEEK_SET);
    }
    return false;
  }

  const FileLock lock(fs_, fd_);
  if (!EmptyIfPending(error)) return false;
  const off_t start = WriteStart();
  std::string withNewline;
  if (start > 0) {
    char last = '\n';
    if (fs_.ReadAt(fd_, &last, 1, start - 1) != 1) {
      // Without it a record could be glued to the end of the last line.
      *error = Describe("read the last byte of", errno != 0 ? errno : EIO) +
               " (needed to start a new line)";
      return false;
    }
    if (last != '\n') {
      withNewline.reserve(text.size() + 1);
      withNewline.push_back('\n');
      withNewline.append(text);
      text = withNewline;
    }
  }
  if (WriteAll(text, error)) return true;
  if (start >= 0) CutBack(start, error);
  return false;
}

bool OutputFile::WriteAll(std::string_view text, std::string* error) {
  while (!text.empty()) {
    const ssize_t written = fs_.Write(fd_, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      *error = Describe("write", errno);
      return false;
    }
    if (written == 0) {
      *error = Describe("write", EIO);
      return false;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

void OutputFile::CutBack(off_t length, std::string* error) {
  if (fs_.Truncate(fd_, length) != 0)
    *error += std::string("; part of a line is left at its end (cannot cut it off: ") +
              std::strerror(errno) + ")";
}

bool OutputFile::Close(std::string* error) {
  if (!owned_ || fd_ < 0) return true;
  bool emptied = true;
  if (truncate_pending_) {
    const FileLock lock(fs_, fd_);
    emptied = EmptyIfPending(error);
  }
  const int fd = fd_;
  fd_ = -1;
  if (fs_.Close(fd) != 0 && errno != EINTR) {
    if (emptied) *error = Describe("close", errno);
    return false;
  }
  return emptied;
}
