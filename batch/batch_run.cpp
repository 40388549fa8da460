#include "batch/batch_run.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "batch/ordered_pipeline.h"
#include "batch/path_reader.h"
#include "batch/progress.h"
#include "descriptors/lab_icon.h"
#include "report/output_file.h"
#include "report/results_file.h"

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

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* messages) {
  const ListFile list(options.list);
  if (list.fd() < 0) {
    ReportList(messages, "open", options.list, std::strerror(errno));
    return kBatchFailed;
  }
  // The list must be readable before the output is opened and emptied.
  PathReader reader(list.fd(), options.null_separated);
  struct stat st {};
  if (::fstat(list.fd(), &st) == 0 && S_ISDIR(st.st_mode)) {
    ReportList(messages, "read", options.list, std::strerror(EISDIR));
    return kBatchFailed;
  }
  if (S_ISREG(st.st_mode) && !reader.Prime()) {
    ReportList(messages, "read", options.list, std::strerror(reader.error()));
    return kBatchFailed;
  }

  if (!options.output.empty() && SameFile(list.fd(), options.output)) {
    Report(messages, "the output '" + options.output + "' is the list itself");
    return kBatchFailed;
  }

  OutputFile out;
  std::string error;
  if (options.output.empty()) {
    out.Adopt(STDOUT_FILENO, "standard output");
  } else if (!out.Open(options.output.c_str(), options.append, &error)) {
    Report(messages, error);
    return kBatchFailed;
  }
  std::string pending;

  const bool showProgress = !options.quiet && ::isatty(::fileno(messages));
  const long long total =
      showProgress ? CountPaths(options.list == "-" ? "/dev/stdin" : options.list.c_str(),
                                options.null_separated)
                   : -1;
  Progress progress(messages, showProgress, total);

  PrepareLabConversion();
  bool writeFailed = false;
  long long done = 0, bad = 0, unmeasured = 0;
  auto flush = [&] {
    if (pending.empty() || writeFailed) return;
    if (!out.Write(pending, &error)) {
      Report(messages, error);
      writeFailed = true;
    }
    pending.clear();
  };

  // With one job the reader runs on this thread: what is done goes out
  // before it waits for more of a list that arrives slowly (a co-process).
  if (options.jobs <= 1) reader.set_before_wait(flush);

  OrderedPipeline<IconLine> pipeline;
  pipeline.next = [&] { return reader.Next(); };
  pipeline.work = [&](const std::string& path) {
    IconLine result = IconRecordLine(path, options.settings);
    if (!result.error.empty())
      result.error = "cannot measure '" + path + "': " + result.error;
    return result;
  };
  pipeline.emit = [&](IconLine&& result) {
    ++done;
    const std::string& line = result.line;
    if (std::string_view(line).substr(0, line.size() - 1) == kBadIcon) ++bad;
    if (!result.error.empty()) {
      ++unmeasured;
      if (showProgress) std::fputs("\r\033[K", messages);
      Report(messages, result.error);
    }
    pending += line;
    if (pending.size() >= kFlushBytes) flush();
    progress.Update(done, bad);
    return !writeFailed;
  };
  pipeline.idle = flush;
  pipeline.jobs = options.jobs;
  pipeline.window = 16 * static_cast<size_t>(options.jobs) + 16;
  pipeline.Run();

  flush();
  if (!writeFailed && !out.Close(&error)) {
    Report(messages, error);
    writeFailed = true;
  }
  progress.Finish(done, bad);
  if (reader.failed()) {
    ReportList(messages, "read", options.list, std::strerror(reader.error()));
    return kBatchFailed;
  }
  return writeFailed || unmeasured > 0 ? kBatchFailed : kBatchSuccess;
}
