#include "batch/batch_run.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "batch/ordered_pipeline.h"
#include "batch/path_reader.h"
#include "batch/progress.h"
#include "process/exit_codes.h"
#include "descriptors/measure.h"
#include "report/output_file.h"
#include "support/quoted.h"
#include "vexlor/results_file.h"

namespace vexlor {

namespace {

// Output is written in whole lines, in chunks of about this size: every
// write(2) then holds complete records, which keeps concurrent appenders to
// one file from interleaving.
constexpr size_t kFlushBytes = 1 << 16;

void Report(std::FILE* messages, const std::string& what) {
  std::fprintf(messages, "vexlor-batch: %s\n", what.c_str());
}

void ReportList(std::FILE* messages, const char* problem, const std::string& list,
                const char* reason) {
  std::fprintf(messages, "vexlor-batch: cannot %s list '%s': %s\n", problem, list.c_str(),
               reason);
}

// Whether `path` names the file open as `fd`: writing there would destroy the
// list before it is read.
bool SameFile(int fd, const std::string& path) {
  struct stat open, named;
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// One path's outcome: its line (the record and a newline, or "Bad Icon" and
// a newline), and what is told of it: why a loaded icon could not be
// measured (a failure of the run), or why an icon beyond a bound was refused.
struct IconLine {
  std::string line;
  std::string error;
  bool bad = false;
  bool refused = false;  // `error` tells of the icon, not of a failure
};

// Never throws: a failure costs this path its record, not the run.
IconLine MeasureLine(const std::string& path, const LoadSettings& load,
                     const Distortion& distortion, RecordForm form) {
  try {
    std::optional<Descriptors> described;
    const Status status = MeasureIconFile(path, load, distortion, &described);
    if (status.ok()) return {RecordLine(*described, form) + '\n', "", false};
    const bool told = status.code() != Status::Code::kBadIcon;
    return {std::string(kBadIcon) + '\n', told ? status.message() : "", true,
            status.code() == Status::Code::kIconRefused};
  } catch (const std::exception& e) {
    return {std::string(kBadIcon) + '\n',
            "cannot measure '" + Quoted(path) + "': " + StatusOf(e).message(), true};
  }
}

// The list's descriptor, owned unless it is standard input.
class ListFile {
 public:
  explicit ListFile(const std::string& list)
      : fd_(list == "-" ? STDIN_FILENO : ::open(list.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ListFile() {
    if (fd_ > STDIN_FILENO) ::close(fd_);
  }
  ListFile(const ListFile&) = delete;
  ListFile& operator=(const ListFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// The signals that end a run (interrupt, terminate, hang-up) may not land
// while the output is written: the kernel cuts a write into a file short when
// such a signal is about to kill the process, which would leave a torn last
// line. Worker threads never take them; the writing thread holds them while
// it writes, so that they end the run between two whole writes.
class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&set_);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set_, s);
  }
  void Hold() const { pthread_sigmask(SIG_BLOCK, &set_, nullptr); }
  void Release() const { pthread_sigmask(SIG_UNBLOCK, &set_, nullptr); }

 private:
  sigset_t set_;
};

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* messages) {
  const ListFile list(options.list);
  if (list.fd() < 0) {
    ReportList(messages, "open", options.list, std::strerror(errno));
    return kExitFailed;
  }
  // The list must be readable before the output is opened and emptied.
  PathReader reader(list.fd(), options.null_separated);
  struct stat st {};
  if (::fstat(list.fd(), &st) == 0 && S_ISDIR(st.st_mode)) {
    ReportList(messages, "read", options.list, std::strerror(EISDIR));
    return kExitFailed;
  }
  if (Status primed = S_ISREG(st.st_mode) ? reader.Prime() : Status(); !primed.ok()) {
    ReportList(messages, "read", options.list, primed.message().c_str());
    return kExitFailed;
  }

  if (!options.output.empty() && SameFile(list.fd(), options.output)) {
    Report(messages, "the output '" + options.output + "' is the list itself");
    return kExitFailed;
  }

  OutputFile out;
  if (options.output.empty()) {
    out.Adopt(STDOUT_FILENO, "standard output");
  } else if (Status opened = out.Open(options.output, options.append); !opened.ok()) {
    Report(messages, opened.message());
    return kExitFailed;
  }
  std::string pending;

  const bool showProgress = !options.quiet && ::isatty(::fileno(messages));
  const long long total =
      showProgress ? CountPaths(options.list == "-" ? "/dev/stdin" : options.list.c_str(),
                                options.null_separated)
                   : -1;
  Progress progress(messages, showProgress, total);

  bool writeFailed = false;
  long long done = 0, bad = 0, unmeasured = 0;
  const StopSignals stops;
  auto flush = [&] {
    if (pending.empty() || writeFailed) return;
    stops.Hold();
    if (Status written = out.Write(pending); !written.ok()) {
      Report(messages, written.message());
      writeFailed = true;
    }
    stops.Release();  // a signal that came meanwhile ends the run here
    pending.clear();
  };

  // With one job the reader runs on this thread: what is done goes out
  // before it waits for more of a list that arrives slowly (a co-process).
  if (options.jobs <= 1) reader.set_before_wait(flush);

  OrderedPipeline<IconLine> pipeline;
  pipeline.next = [&] { return reader.Next(); };
  pipeline.work = [&](const std::string& path) {
    return MeasureLine(path, options.load, options.distortion, options.form);
  };
  pipeline.emit = [&](IconLine&& result) {
    ++done;
    if (result.bad) ++bad;
    if (!result.error.empty()) {
      if (!result.refused) ++unmeasured;
      if (showProgress) std::fputs("\r\033[K", messages);
      Report(messages, result.error);
    }
    pending += result.line;
    if (pending.size() >= kFlushBytes) flush();
    progress.Update(done, bad);
    return !writeFailed;
  };
  pipeline.idle = flush;
  // The workers start with the signals held (they inherit the mask), and
  // keep them so; this thread takes them from then on.
  pipeline.started = [&] { stops.Release(); };
  pipeline.jobs = options.jobs;
  // Room for the small icons a worker measures while another decodes a
  // large one that must be written first (a 512 px icon takes as long as
  // a hundred 16 px ones); a few hundred lines of memory.
  pipeline.window = 256 * static_cast<size_t>(options.jobs);
  stops.Hold();
  pipeline.Run();

  flush();
  if (Status closed = out.Close(); !writeFailed && !closed.ok()) {
    Report(messages, closed.message());
    writeFailed = true;
  }
  progress.Finish(done, bad);
  if (const Status read = reader.status(); !read.ok()) {
    ReportList(messages, "read", options.list, read.message().c_str());
    return kExitFailed;
  }
  return writeFailed || unmeasured > 0 ? kExitFailed : kExitSuccess;
}

}  // namespace vexlor
