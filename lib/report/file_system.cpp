#include "report/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vexlor {

namespace {

class RealFileSystem : public FileSystem {
 public:
  int Open(const char* path, int flags, mode_t mode) override {
    return ::open(path, flags, mode);
  }
  ssize_t Write(int fd, const void* data, size_t size) override {
    return ::write(fd, data, size);
  }
  ssize_t ReadAt(int fd, void* data, size_t size, off_t offset) override {
    return ::pread(fd, data, size, offset);
  }
  int Stat(int fd, struct stat* st) override { return ::fstat(fd, st); }
  int Truncate(int fd, off_t length) override { return ::ftruncate(fd, length); }
  int Lock(int fd, int operation) override { return ::flock(fd, operation); }
  int Close(int fd) override { return ::close(fd); }
};

}  // namespace

FileSystem& FileSystem::Real() {
  static RealFileSystem real;
  return real;
}

}  // namespace vexlor
