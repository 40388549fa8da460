#include "report/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vexlor {

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

Status OutputFile::Failure(const char* what, int error_number) const {
  return Status::IOError(std::string("cannot ") + what + " '" + path_ + "': " +
                         std::strerror(error_number));
}

Status OutputFile::Open(const std::string& path, bool append) {
  path_ = path;
  // Read access only serves the check of the last byte.
  int fd = fs_.Open(path.c_str(), O_RDWR | kOpenFlags, kMode);
  if (fd < 0 && (errno == EACCES || errno == EPERM))
    fd = fs_.Open(path.c_str(), O_WRONLY | kOpenFlags, kMode);
  struct stat st {};
  if (fd >= 0 && fs_.Stat(fd, &st) == 0 && S_ISFIFO(st.st_mode)) {
    // Opened for reading too, the pipe counts us as its reader, and records
    // would vanish unread. Write-only, the open fails when nobody reads.
    fs_.Close(fd);
    fd = fs_.Open(path.c_str(), O_WRONLY | kOpenFlags, kMode);
    if (fd < 0 && errno == ENXIO)
      return Status::IOError("cannot open '" + path_ + "': no process reads from this pipe");
  }
  if (fd < 0) return Failure("open", errno);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  owned_ = true;
  regular_ = S_ISREG(st.st_mode);
  truncate_pending_ = !append;
  return {};
}

void OutputFile::Adopt(int fd, const std::string& name) {
  fd_ = fd;
  owned_ = false;
  path_ = name;
  struct stat st {};
  regular_ = fs_.Stat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

off_t OutputFile::WriteStart() const {
  if (!regular_) return -1;
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0 && (flags & O_APPEND) == 0) return ::lseek(fd_, 0, SEEK_CUR);
  struct stat st {};
  return fs_.Stat(fd_, &st) == 0 ? st.st_size : -1;
}

Status OutputFile::EmptyIfPending() {
  if (!truncate_pending_) return {};
  truncate_pending_ = false;
  if (regular_ && fs_.Truncate(fd_, 0) != 0) return Failure("empty", errno);
  return {};
}

Status OutputFile::Write(std::string_view text, const std::function<Status(off_t start)>& alongside) {
  if (!owned_) {
    const off_t start = WriteStart();
    Status status = WriteAll(text);
    if (status.ok() && alongside) status = alongside(start);
    if (status.ok() || start < 0) return status;
    status = CutBack(start, status);
    ::lseek(fd_, start, SEEK_SET);
    return status;
  }

  const FileLock lock(fs_, fd_);
  if (Status emptied = EmptyIfPending(); !emptied.ok()) return emptied;
  const off_t start = WriteStart();
  std::string withNewline;
  if (start > 0) {
    char last = '\n';
    if (fs_.ReadAt(fd_, &last, 1, start - 1) != 1) {
      // Without it a record could be glued to the end of the last line.
      const Status failure = Failure("read the last byte of", errno != 0 ? errno : EIO);
      return Status::IOError(failure.message() + " (needed to start a new line)");
    }
    if (last != '\n') {
      withNewline.reserve(text.size() + 1);
      withNewline.push_back('\n');
      withNewline.append(text);
      text = withNewline;
    }
  }
  Status status = WriteAll(text);
  if (status.ok() && alongside) status = alongside(start);
  if (status.ok() || start < 0) return status;
  return CutBack(start, status);
}

Status OutputFile::WriteAll(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = fs_.Write(fd_, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Failure("write", written < 0 ? errno : EIO);
    text.remove_prefix(static_cast<size_t>(written));
  }
  return {};
}

Status OutputFile::CutBack(off_t length, Status failure) {
  if (fs_.Truncate(fd_, length) == 0) return failure;
  return Status::IOError(failure.message() +
                         "; part of a line is left at its end (cannot cut it off: " +
                         std::strerror(errno) + ")");
}

Status OutputFile::Close() {
  if (!owned_ || fd_ < 0) return {};
  Status status;
  if (truncate_pending_) {
    const FileLock lock(fs_, fd_);
    status = EmptyIfPending();
  }
  const int fd = fd_;
  fd_ = -1;
  if (fs_.Close(fd) != 0 && errno != EINTR && status.ok()) status = Failure("close", errno);
  return status;
}

}  // namespace vexlor
