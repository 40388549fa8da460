// vexlor-svg-renderer: renders SVG icons for vexlor, one after the other,
// in a process of its own that can be stopped, so that no SVG can take
// vexlor's memory, time or signals. vexlor starts it (decode/svg_renderer.h)
// with a socket of requests as standard input and one of replies as standard
// output; it answers each request (decode/svg_exchange.h) until vexlor's
// end of the requests closes.
//
// Its limits, set before it renders anything: kSvgMemoryBytes of address
// space and kSvgCpuSeconds of processor time for each SVG. Beyond them the
// process dies (the C library or librsvg abort when memory runs out;
// SIGPROF ends it at the time limit), and vexlor tells the icon and starts
// another. It holds the signals that end a vexlor run, so that an interrupt
// at the terminal ends vexlor, which writes whole lines, and not this;
// it ends by itself when vexlor's end of the requests closes.
#include <malloc.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "decode/svg_drawing.h"
#include "decode/svg_exchange.h"
#include "support/whole_file.h"

namespace vexlor {

namespace {

void HoldRunSignals() {
  sigset_t held;
  sigemptyset(&held);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, s);
  pthread_sigmask(SIG_BLOCK, &held, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

void SetLimits() {
  const rlimit memory{kSvgMemoryBytes, kSvgMemoryBytes};
  const rlimit noCore{0, 0};
  if (::setrlimit(RLIMIT_AS, &memory) != 0 || ::setrlimit(RLIMIT_CORE, &noCore) != 0) std::_Exit(2);
}

// The processor time this SVG may still take: SIGPROF, whose default action
// ends the process, once the process has used it (every thread counts).
void ArmCpuLimit(int seconds) {
  itimerval limit{};
  limit.it_value.tv_sec = seconds;
  ::setitimer(ITIMER_PROF, &limit, nullptr);
}

// Ends the process as soon as vexlor's end of the requests is closed, also in
// the middle of a rendering.
void EndWithVexlor(int socket) {
  std::thread([socket] {
    pollfd watched{socket, POLLRDHUP, 0};
    while (::poll(&watched, 1, -1) < 0) {
    }
    std::_Exit(0);
  }).detach();
}

// Replies, each gathered so that a small icon goes out in one write: a write
// a row would cost both processes a wake-up a row. One writer serves every
// reply, so that its storage is not asked of the system again each time.
class ReplyWriter {
 public:
  explicit ReplyWriter(int out) : out_(out) {}
  bool Head(const Status& result, int rows = 0, int cols = 0) {
    const std::string& why = result.message();
    SvgReply reply;
    reply.code = static_cast<std::uint32_t>(result.code());
    reply.why_size = static_cast<std::uint32_t>(why.size());
    reply.rows = rows;
    reply.cols = cols;
    return Add(&reply, sizeof reply) && Add(why.data(), why.size());
  }
  bool Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    gathered_.insert(gathered_.end(), bytes, bytes + size);
    return gathered_.size() < kGathered || Flush();
  }
  bool Flush() {
    const bool written = WriteAll(out_, gathered_.data(), gathered_.size()).ok();
    gathered_.clear();
    return written;
  }
  // What was gathered of a reply that is not sent.
  void Discard() { gathered_.clear(); }

 private:
  static constexpr std::size_t kGathered = std::size_t{1} << 20;
  int out_;
  std::vector<std::uint8_t> gathered_;
};

// A larger SVG's storage goes back to the system after its request.
constexpr std::size_t kKeptSvgBytes = std::size_t{1} << 20;

// Requests, read through a buffer from standard input.
class RequestReader {
 public:
  bool Read(void* data, std::size_t size) {
    return reader_.Read(data, size, [](void* into, std::size_t most) -> std::size_t {
      for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, into, most);
        if (got < 0 && errno == EINTR) continue;
        return got > 0 ? static_cast<std::size_t>(got) : 0;
      }
    });
  }

 private:
  ExchangeReader reader_;
};

// Answers one request; false when the socket is closed or broken. `svg`
// holds the request's SVG, kept from one request to the next.
bool Serve(RequestReader& in, std::vector<std::uint8_t>& svg, ReplyWriter& reply) {
  SvgRequest request;
  if (!in.Read(&request, sizeof request) || request.mark != kSvgExchangeMark ||
      request.svg_bytes > kMaxSvgBytes || request.path_size > 1 << 16)
    return false;
  std::string path(request.path_size, '\0');
  if (svg.capacity() > kKeptSvgBytes) std::vector<std::uint8_t>().swap(svg);
  svg.resize(request.svg_bytes);
  if (!in.Read(path.data(), path.size()) || !in.Read(svg.data(), svg.size())) return false;
  SvgSettings settings;
  settings.max_pixels = request.max_pixels;
  settings.svg_size = request.svg_size;
  settings.background = {request.background_set != 0, request.blue, request.green, request.red};

  std::size_t rowBytes = 0;
  // Left running after the rendering: it counts only this process's work,
  // and the next request sets it anew.
  ArmCpuLimit(kSvgCpuSeconds);
  const Status result = DrawSvg(
      svg.data(), svg.size(), path, settings,
      [&](int rows, int cols) {
        rowBytes = static_cast<std::size_t>(cols) * 3;
        return reply.Head({}, rows, cols);
      },
      [&](const std::uint8_t* row) { return reply.Add(row, rowBytes); });
  if (!result.ok()) {
    // Whatever was gathered before the rendering failed is not part of the
    // refusal.
    reply.Discard();
    return reply.Head(result) && reply.Flush();
  }
  return reply.Flush();
}

}  // namespace

}  // namespace vexlor

int main() {
  vexlor::HoldRunSignals();
  // Only the sockets: nothing else of vexlor's (its output file, pipes it
  // was given) stays open here.
  ::close_range(3, ~0U, 0);
  // One malloc arena: address space reserved for arenas would count against
  // the memory limit without being used.
  ::mallopt(M_ARENA_MAX, 1);
  vexlor::SetLimits();
  vexlor::EndWithVexlor(STDIN_FILENO);
  vexlor::RequestReader requests;
  std::vector<std::uint8_t> svg;
  vexlor::ReplyWriter replies(STDOUT_FILENO);
  while (vexlor::Serve(requests, svg, replies)) {
  }
  return 0;
}
