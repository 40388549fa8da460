#include "process/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace vexlor {

namespace {

bool stdout_was_closed = false;

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// The reason some console text could not be written, or "".
std::string StandardOutputFailure(bool printed) {
  if (!printed) return "";
  if (stdout_was_closed) return std::strerror(EBADF);
  // Flushing std::cout flushes stdout, which the two share.
  errno = 0;
  std::cout.flush();
  const int flushError = errno;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) || std::cout.fail()) {
    const int reason = errno != 0 ? errno : flushError;
    return reason != 0 ? std::strerror(reason) : "write error";
  }
  return "";
}

}  // namespace

void GuardStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (IsOpen(fd)) continue;
    if (fd == STDOUT_FILENO) stdout_was_closed = true;
    // open() returns the lowest free number, which is `fd` itself.
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) ::close(opened);
  }
  // A run prints a few kilobytes at most. Holding them until the final
  // flush lets CheckStandardOutput() see the reason of a failed write,
  // which an earlier, automatic flush would lose.
  if (!::isatty(STDOUT_FILENO)) {
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  }
}

Status CheckStandardOutput(bool printed) {
  const std::string failure = StandardOutputFailure(printed);
  if (failure.empty()) return {};
  return Status::IOError("cannot write to standard output: " + failure);
}

bool StandardOutputWasClosed() { return stdout_was_closed; }

StandardErrorSilenced::StandardErrorSilenced() {
  std::fflush(stderr);
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (null < 0 || saved_ < 0) {
    if (null >= 0) ::close(null);
    if (saved_ >= 0) ::close(saved_);
    saved_ = -1;
    return;
  }
  ::dup2(null, STDERR_FILENO);
  ::close(null);
  const int forMessages = ::fcntl(saved_, F_DUPFD_CLOEXEC, 3);
  std::FILE* stream = forMessages >= 0 ? ::fdopen(forMessages, "w") : nullptr;
  if (stream != nullptr) {
    std::setvbuf(stream, nullptr, _IOLBF, 0);
    original_ = stream;
  } else if (forMessages >= 0) {
    ::close(forMessages);
  }
}

StandardErrorSilenced::~StandardErrorSilenced() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  if (original_ != stderr) std::fclose(original_);
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
}

}  // namespace vexlor
