#include "app/window.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "support/helper_files.h"
#include "support/whole_file.h"

namespace vexlor {

namespace {

std::string HelperPath() {
  for (const std::filesystem::path& candidate : HelperFilePlaces("vexlor-window"))
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  return "";
}

// The pixel stream the helper reads on standard input: "rows cols\n", then
// rows * cols * 3 bytes, row by row.
std::string WindowStreamHeader(const BgrImageView& icon) {
  return std::to_string(icon.rows) + " " + std::to_string(icon.cols) + "\n";
}

Status CannotStartHelper(int error) {
  return Status::IOError(std::string("cannot start the window helper: ") + std::strerror(error));
}

// Sends the pixels; a helper that has already died must not kill us with
// SIGPIPE.
void SendIcon(int fd, const BgrImageView& icon) {
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);
  const std::string header = WindowStreamHeader(icon);
  if (WriteAll(fd, header.data(), header.size()).ok())
    for (int r = 0; r < icon.rows; ++r)
      if (!WriteAll(fd, icon.row(r), static_cast<std::size_t>(icon.cols) * 3).ok()) break;
  ::sigaction(SIGPIPE, &previous, nullptr);
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (text.size() < 65536) text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// The first line the helper or its toolkit printed: the toolkit's first
// complaint names the cause, the lines after it are consequences.
std::string FirstLine(const std::string& text) {
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(begin, end - begin);
    if (line.find_first_not_of(" \t\r") != std::string::npos) return line;
    begin = end + 1;
  }
  return "";
}

}  // namespace


std::string WhyNoWindow() {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  std::string_view platform = chosen != nullptr && *chosen != '\0' ? chosen : "xcb";
  platform = platform.substr(0, platform.find(':'));
  if (platform == "offscreen" || platform == "minimal")
    return "the window platform '" + std::string(platform) +
           "' (QT_QPA_PLATFORM) can never deliver a key press";
  if (platform == "xcb") {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return "no display (DISPLAY is not set)";
  } else if (platform == "wayland") {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display == nullptr || *display == '\0')
      return "no display (WAYLAND_DISPLAY is not set)";
  }
  return "";
}

Status ShowProcessedIcon(const BgrImageView& icon) {
  if (icon.empty()) return Status::InvalidArgument("no icon to show");
  if (std::string why = WhyNoWindow(); !why.empty()) return Status::IOError(why);
  const std::string helper = HelperPath();
  if (helper.empty()) {
    return Status::IOError("the window helper vexlor-window was not found beside the program");
  }

  int pixels[2], messages[2];
  if (::pipe2(pixels, O_CLOEXEC) != 0) {
    return CannotStartHelper(errno);
  }
  if (::pipe2(messages, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(pixels[0]);
    ::close(pixels[1]);
    return CannotStartHelper(error);
  }
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pixels[0], STDIN_FILENO);
    ::dup2(messages[1], STDOUT_FILENO);
    ::dup2(messages[1], STDERR_FILENO);
    char* const argv[] = {const_cast<char*>("vexlor-window"), nullptr};
    ::execv(helper.c_str(), argv);
    const char* reason = std::strerror(errno);
    (void)!::write(STDERR_FILENO, reason, std::strlen(reason));
    ::_exit(127);
  }
  const int forkError = errno;
  ::close(pixels[0]);
  ::close(messages[1]);
  if (pid < 0) {
    ::close(pixels[1]);
    ::close(messages[0]);
    return CannotStartHelper(forkError);
  }
  SendIcon(pixels[1], icon);
  ::close(pixels[1]);
  const std::string said = ReadAll(messages[0]);
  ::close(messages[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};

  std::string reason = FirstLine(said);
  if (reason.empty())
    reason = WIFSIGNALED(status)
                 ? std::string("the window toolkit ended with signal ") +
                       std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")"
                 : "the window helper failed with exit status " +
                       std::to_string(WEXITSTATUS(status));
  return Status::IOError(reason);
}

}  // namespace vexlor
