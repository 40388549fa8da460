#ifndef VEXLOR_REPORT_FILE_SYSTEM_H_
#define VEXLOR_REPORT_FILE_SYSTEM_H_

#include <sys/stat.h>
#include <sys/types.h>

// The system calls that results files are written through. Each returns what
// the call of the same name returns and leaves the reason in errno. Tests
// pass an implementation that fails where the real system rarely does (a
// write cut short by a full disk, a last byte that cannot be read).
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual int Open(const char* path, int flags, mode_t mode) = 0;
  virtual ssize_t Write(int fd, const void* data, size_t size) = 0;
  virtual ssize_t ReadAt(int fd, void* data, size_t size, off_t offset) = 0;
  virtual int Status(int fd, struct stat* st) = 0;
  virtual int Truncate(int fd, off_t length) = 0;
  // flock(2).
  virtual int Lock(int fd, int operation) = 0;
  virtual int Close(int fd) = 0;

  // The real one: plain system calls.
  static FileSystem& Real();
};

#endif  // VEXLOR_REPORT_FILE_SYSTEM_H_
