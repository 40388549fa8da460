// The client side of vexlor-svg-renderer (decode/svg_renderer_main.cpp): one
// process for each thread that renders SVGs, started at its first SVG, ended
// and replaced when an SVG takes it beyond a limit.
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <vector>

#include "decode/svg_exchange.h"
#include "decode/svg_renderer.h"
#include "support/helper_files.h"

extern char** environ;

namespace vexlor {

namespace {

constexpr const char* kRendererName = "vexlor-svg-renderer";
using Clock = std::chrono::steady_clock;

// Beside the program, in its installation's libexec folder, where this build
// installs it (for the library and the module, which run in other
// programs), and where this build put it.
Status FindRenderer(std::string* program) {
  std::vector<std::filesystem::path> places = HelperFilePlaces(kRendererName);
  places.push_back(std::filesystem::path(VEXLOR_INSTALL_PLUGIN_DIR) / kRendererName);
  places.push_back(std::filesystem::path(VEXLOR_BUILD_PLUGIN_DIR) / kRendererName);
  for (const std::filesystem::path& place : places)
    if (::access(place.c_str(), X_OK) == 0) {
      *program = place;
      return {};
    }
  return Status::IOError(std::string("the SVG renderer ") + kRendererName + " was not found");
}

// The socket's calls block for at most this long (SO_RCVTIMEO, SO_SNDTIMEO),
// so that a deadline is looked at in between without a poll(2) before every
// call: each call costs both processes time.
constexpr timeval kSocketWait{0, 100000};

bool Late(Clock::time_point deadline) { return Clock::now() >= deadline; }

enum class Transfer { kDone, kClosed, kLate };

// The pieces of `parts` in order, in as few system calls as the socket
// takes. MSG_NOSIGNAL: a renderer that died is told by EPIPE, not by
// SIGPIPE.
Transfer SendAll(int fd, std::vector<iovec> parts, Clock::time_point deadline) {
  std::size_t first = 0;
  while (first < parts.size()) {
    msghdr message{};
    message.msg_iov = parts.data() + first;
    message.msg_iovlen = parts.size() - first;
    ssize_t sent = ::sendmsg(fd, &message, MSG_NOSIGNAL);
    if (sent < 0 && (errno == EINTR || errno == EAGAIN)) {
      if (Late(deadline)) return Transfer::kLate;
      continue;
    }
    if (sent < 0) return Transfer::kClosed;
    for (; first < parts.size() && static_cast<std::size_t>(sent) >= parts[first].iov_len; ++first)
      sent -= static_cast<ssize_t>(parts[first].iov_len);
    if (first < parts.size()) {
      parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + sent;
      parts[first].iov_len -= static_cast<std::size_t>(sent);
    }
  }
  return Transfer::kDone;
}

// Replies, read through a buffer from the renderer's socket until a
// deadline.
class ReplyReader {
 public:
  void Reset() { reader_.Reset(); }
  Transfer Receive(int fd, void* data, std::size_t size, Clock::time_point deadline) {
    bool late = false;
    const bool read = reader_.Read(data, size, [&](void* into, std::size_t most) -> std::size_t {
      for (;;) {
        const ssize_t got = ::recv(fd, into, most, 0);
        if (got > 0) return static_cast<std::size_t>(got);
        if (got < 0 && (errno == EINTR || errno == EAGAIN) && !(late = Late(deadline))) continue;
        return 0;
      }
    });
    return read ? Transfer::kDone : late ? Transfer::kLate : Transfer::kClosed;
  }

 private:
  ExchangeReader reader_;
};

// Why a renderer process ended, from its wait status.
std::string WhyItEnded(int status) {
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGPROF)
    return "its rendering took more than " + std::to_string(kSvgCpuSeconds) +
           " s of processor time";
  const std::string memory = std::to_string(kSvgMemoryBytes >> 20) + " MB";
  if (WIFSIGNALED(status))
    return "its renderer ended with signal " + std::to_string(WTERMSIG(status)) + " (" +
           strsignal(WTERMSIG(status)) + "), as it does beyond the " + memory +
           " of memory an SVG may use";
  if (WIFEXITED(status))
    return "its renderer ended with status " + std::to_string(WEXITSTATUS(status));
  return "its renderer ended";
}

// While a thread renders SVGs it is held to the processor it is on, and its
// renderer is held there too (RendererProcess::Follow): the two take turns,
// never run at once, and a wake-up on the same processor costs a fraction of
// one on another. Free to move, the waiting thread is woken on whichever
// processor is idle, and on a two-core machine that made up a quarter of an
// SVG's whole cost. On a thread of vexlor-batch's (KeepSvgHoldsOnThisThread)
// the hold lasts over SVGs that come one after another (taking and giving it
// back for each cost another 5%), and the thread's own setting comes back
// after kHeldSvgs of them, so that the scheduler may still spread threads
// over the processors, and at the first icon of another kind. Any other
// thread is let go before RenderSvg returns: a caller's thread left held
// would hand its one processor to every thread it starts.
class ProcessorHold {
 public:
  // The processor held, or -1 when it cannot be.
  int Take() {
    if (held_) return cpu_;
    cpu_ = ::sched_getcpu();
    if (cpu_ < 0 || ::sched_getaffinity(0, sizeof before_, &before_) != 0) return -1;
    cpu_set_t here;
    CPU_ZERO(&here);
    CPU_SET(cpu_, &here);
    held_ = ::sched_setaffinity(0, sizeof here, &here) == 0;
    rendered_ = 0;
    return held_ ? cpu_ : -1;
  }
  void Rendered() {
    if (!kept_ || ++rendered_ >= kHeldSvgs) Release();
  }
  void Keep() { kept_ = true; }
  void Release() {
    if (held_) ::sched_setaffinity(0, sizeof before_, &before_);
    held_ = false;
  }

 private:
  static constexpr unsigned kHeldSvgs = 16;
  bool kept_ = false;  // held from one SVG to the next
  bool held_ = false;
  int cpu_ = -1;
  unsigned rendered_ = 0;
  cpu_set_t before_;
};

// Trivially destructible: touched for every icon, it costs a PNG nothing.
thread_local ProcessorHold processorHold;

// Counts the forks of this process: a renderer started before a fork
// belongs to the parent.
std::atomic<unsigned> forks{0};

class RendererProcess {
 public:
  RendererProcess() = default;
  RendererProcess(const RendererProcess&) = delete;
  RendererProcess& operator=(const RendererProcess&) = delete;
  ~RendererProcess() { End(); }

  Status Render(const std::uint8_t* bytes, std::size_t size, const std::string& base_path,
                const SvgSettings& settings, IconPixels* icon) {
    if (pid_ > 0 && born_ != forks.load(std::memory_order_relaxed)) Forget();
    SvgRequest request;
    request.path_size = static_cast<std::uint32_t>(base_path.size());
    request.svg_bytes = size;
    request.max_pixels = settings.max_pixels;
    request.svg_size = settings.svg_size;
    request.background_set = settings.background.set ? 1 : 0;
    request.blue = settings.background.blue;
    request.green = settings.background.green;
    request.red = settings.background.red;
    Clock::time_point deadline;
    const int heldCpu = processorHold.Take();
    struct Counted {
      ~Counted() { processorHold.Rendered(); }
    } counted;
    // A renderer that ended while it waited (killed from outside) takes no
    // request; a new one is asked once.
    for (int attempt = 0;; ++attempt) {
      if (pid_ <= 0)
        if (Status started = Start(); !started.ok()) return started;
      Follow(heldCpu);
      deadline = Clock::now() + std::chrono::seconds(kSvgWallSeconds);
      const Transfer sent = SendAll(requests_,
                                    {{&request, sizeof request},
                                     {const_cast<char*>(base_path.data()), base_path.size()},
                                     {const_cast<std::uint8_t*>(bytes), size}},
                                    deadline);
      if (sent == Transfer::kDone) break;
      if (sent == Transfer::kLate) return Failed(Transfer::kLate);
      End();
      if (attempt > 0) return Status::IOError("its renderer closed the connection");
    }
    SvgReply reply;
    if (const Transfer got = replies_.Receive(replySocket_, &reply, sizeof reply, deadline);
        got != Transfer::kDone)
      return Failed(got);
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(reply.rows) * static_cast<std::uint64_t>(reply.cols);
    constexpr auto kOk = static_cast<std::uint32_t>(Status::Code::kOk);
    constexpr auto kRefused = static_cast<std::uint32_t>(Status::Code::kIconRefused);
    if (reply.mark != kSvgExchangeMark || reply.why_size > (1u << 16) ||
        (reply.code != kOk && reply.code != kRefused) || reply.rows < 0 || reply.cols < 0 ||
        pixels > settings.max_pixels) {
      End();
      return Status::IOError("its renderer answered out of turn");
    }
    if (reply.code != kOk) {
      std::string why(reply.why_size, '\0');
      if (const Transfer got = replies_.Receive(replySocket_, why.data(), why.size(), deadline);
          got != Transfer::kDone)
        return Failed(got);
      return Status::IconRefused(std::move(why));
    }
    std::uint8_t* out = icon->Allocate(reply.rows, reply.cols);
    if (const Transfer got = replies_.Receive(replySocket_, out, pixels * 3, deadline);
        got != Transfer::kDone) {
      icon->Clear();
      return Failed(got);
    }
    return {};
  }

 private:
  Status Start() {
    std::string program;
    if (Status found = FindRenderer(&program); !found.ok()) return found;
    // Requests and replies each on a socket of their own: when one end
    // reads, the writer's socket wakes whoever sleeps on it, and a thread
    // waiting for its reply on the socket it sent the request on was woken
    // for nothing as the renderer took the request (two context switches
    // more for every SVG).
    int requests[2], replies[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, requests) != 0)
      return Status::IOError(std::string("cannot start its renderer: ") + std::strerror(errno));
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, replies) != 0) {
      const int error = errno;
      for (int end : requests) ::close(end);
      return Status::IOError(std::string("cannot start its renderer: ") + std::strerror(error));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requests[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, replies[1], STDOUT_FILENO);
    // librsvg's warnings are not vexlor's messages; the reasons come back in
    // the replies.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The signals that end a run are held from the first instruction on.
    sigset_t held, defaults;
    sigemptyset(&held);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, s);
    sigemptyset(&defaults);
    for (int s : {SIGPROF, SIGPIPE, SIGXFSZ}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attributes, &held);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    const int failure = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(requests[1]);
    ::close(replies[1]);
    if (failure != 0) {
      ::close(requests[0]);
      ::close(replies[0]);
      return Status::IOError("cannot start its renderer " + program + ": " +
                             std::strerror(failure));
    }
    pid_ = pid;
    requests_ = requests[0];
    replySocket_ = replies[0];
    pinned_ = -1;
    replies_.Reset();
    ::setsockopt(replySocket_, SOL_SOCKET, SO_RCVTIMEO, &kSocketWait, sizeof kSocketWait);
    ::setsockopt(requests_, SOL_SOCKET, SO_SNDTIMEO, &kSocketWait, sizeof kSocketWait);
    born_ = forks.load(std::memory_order_relaxed);
    return {};
  }

  // The renderer on processor `cpu` (-1: anywhere it was), changed only
  // when the waiting thread has moved.
  void Follow(int cpu) {
    if (cpu < 0 || cpu == pinned_) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    pinned_ = ::sched_setaffinity(pid_, sizeof set, &set) == 0 ? cpu : -1;
  }

  // Ends the process and waits for it; its wait status, or -1. A process
  // that is already dying keeps the status it dies with.
  int End() {
    if (pid_ <= 0) return -1;
    CloseSockets();
    ::kill(pid_, SIGKILL);
    int status = -1;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

  // After a fork: the process is the parent's, not this copy's.
  void Forget() {
    CloseSockets();
    pid_ = -1;
  }

  void CloseSockets() {
    ::close(requests_);
    ::close(replySocket_);
    requests_ = replySocket_ = -1;
  }

  // The process ended (its socket closed as it died) or took too long:
  // it is ended, and the refusal says how.
  Status Failed(Transfer transfer) {
    const int status = End();
    if (transfer == Transfer::kLate)
      return Status::IconRefused("its rendering took more than " +
                                 std::to_string(kSvgWallSeconds) + " s");
    return Status::IconRefused(status == -1 ? "its renderer ended" : WhyItEnded(status));
  }

  pid_t pid_ = -1;
  int requests_ = -1;     // written here, read by the renderer
  int replySocket_ = -1;  // written by the renderer, read here
  unsigned born_ = 0;  // the value of `forks` when it was started
  int pinned_ = -1;    // the processor the renderer is held to
  ReplyReader replies_;
};

}  // namespace

Status RenderSvg(const std::uint8_t* bytes, std::size_t size, const std::string& base_path,
                 const SvgSettings& settings, IconPixels* icon) {
  static const bool countingForks = [] {
    return ::pthread_atfork(nullptr, nullptr,
                            [] { forks.fetch_add(1, std::memory_order_relaxed); }) == 0;
  }();
  (void)countingForks;
  thread_local RendererProcess process;
  return process.Render(bytes, size, base_path, settings, icon);
}

void EndSvgRun() { processorHold.Release(); }

void KeepSvgHoldsOnThisThread() { processorHold.Keep(); }

}  // namespace vexlor
