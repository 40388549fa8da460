// The renderer process opens only regular files and folders for reading.
//
// librsvg opens what an SVG refers to (within its folder) itself, and would
// block for ever in open(2) on a FIFO, or read a device without end. These
// definitions take the place of the C library's for everything in this
// process (the program exports them): a path that is neither a regular file
// nor a folder is refused with EACCES before it is opened, as if it could
// not be read. Nothing else changes: writing, creating and the flags asked
// for pass on as they are.
#undef _FORTIFY_SOURCE  // its inline open() would stand in the way of these

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>

namespace {

int RawOpenAt(int dir, const char* path, int flags, mode_t mode) {
  return static_cast<int>(::syscall(SYS_openat, dir, path, flags, mode));
}

bool Harmless(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
}

int GuardedOpenAt(int dir, const char* path, int flags, mode_t mode) {
  if ((flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_PATH)) != 0)
    return RawOpenAt(dir, path, flags, mode);
  // O_PATH opens nothing: a FIFO does not block, a device is not touched.
  const int probe = RawOpenAt(dir, path, O_PATH | O_CLOEXEC | (flags & O_NOFOLLOW), 0);
  if (probe < 0) return -1;
  const bool harmless = Harmless(probe);
  ::close(probe);
  if (!harmless) {
    errno = EACCES;
    return -1;
  }
  // Non-blocking, in case the path was replaced meanwhile; checked again.
  const int fd = RawOpenAt(dir, path, flags | O_NONBLOCK, mode);
  if (fd < 0) return -1;
  if (!Harmless(fd)) {
    ::close(fd);
    errno = EACCES;
    return -1;
  }
  if ((flags & O_NONBLOCK) == 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

}  // namespace

#define VEXLOR_GUARDED_OPEN(name)                                                                \
  extern "C" __attribute__((visibility("default"))) int name(const char* path, int flags, ...) { \
    va_list arguments;                                                                           \
    va_start(arguments, flags);                                                                  \
    const mode_t mode = ModeArgument(flags, arguments);                                          \
    va_end(arguments);                                                                           \
    return GuardedOpenAt(AT_FDCWD, path, flags, mode);                                           \
  }
#define VEXLOR_GUARDED_OPENAT(name)                                                                \
  extern "C" __attribute__((visibility("default"))) int name(int dir, const char* path, int flags, \
                                                             ...) {                                \
    va_list arguments;                                                                             \
    va_start(arguments, flags);                                                                    \
    const mode_t mode = ModeArgument(flags, arguments);                                            \
    va_end(arguments);                                                                             \
    return GuardedOpenAt(dir, path, flags, mode);                                                  \
  }

VEXLOR_GUARDED_OPEN(open)
VEXLOR_GUARDED_OPEN(open64)
VEXLOR_GUARDED_OPENAT(openat)
VEXLOR_GUARDED_OPENAT(openat64)
